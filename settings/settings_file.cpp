#include "settings/settings_file.h"

#include <cstdio>

#include "core/lead_byte.h"
#include "core/program_identity.h"
#include "settings/module_paths.h"

namespace {

enum class Written { Always, WhileDdeEnabled, Never };

// One row per key, in the order the file is written. A row without a field is
// text: the version (written, never read) or the DDE service name.
struct SettingKey {
    const char *name;
    LONG TerminalState::*field;
    Written written;
};

const SettingKey kSettingKeys[] = {
    {"Version", nullptr, Written::Always},
    {"CommPort", &TerminalState::portIndex, Written::Always},
    {"BaudRate", &TerminalState::baudRate, Written::Always},
    {"ShiftLock", &TerminalState::shiftLock, Written::Never},
    {"DdeServiceName", nullptr, Written::WhileDdeEnabled},
    {"LocalEcho", &TerminalState::localEcho, Written::Always},
    {"WriteLog", &TerminalState::writeLog, Written::Always},
    {"ImsApi", &TerminalState::imsEnabled, Written::Always},
    {"EnableUndo", &TerminalState::enableUndo, Written::Always},
    {"AutoReconnect", &TerminalState::autoReconnect, Written::Always},
};

bool IsServiceNameKey(const SettingKey &key)
{
    return key.written == Written::WhileDdeEnabled;
}

void LoadServiceName(TerminalState *state)
{
    char name[sizeof state->ddeServer.serviceName];
    GetPrivateProfileStringA(kProgramName, "DdeServiceName", state->ddeServer.serviceName, name,
                             sizeof name, state->iniPath);
    lstrcpynA(state->ddeServer.serviceName, name, sizeof state->ddeServer.serviceName);
}

}  // namespace

void DeriveFilePaths(TerminalState *state)
{
    char modulePath[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(NULL, modulePath, sizeof modulePath);
    if (length == 0 || length >= sizeof modulePath)
        return;
    MakeLogDirectory(modulePath, IsCodePageLeadByte, state->logDirectory, sizeof state->logDirectory);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(modulePath, &found);
    const char *storedName = NULL;
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        storedName = found.cFileName;
    }
    // A stored long name too long for the buffer still leaves the name the
    // program was started under.
    if (!MakeIniPath(modulePath, storedName, IsCodePageLeadByte, state->iniPath, sizeof state->iniPath))
        MakeIniPath(modulePath, NULL, IsCodePageLeadByte, state->iniPath, sizeof state->iniPath);
}

void LoadSettings(TerminalState *state)
{
    for (const SettingKey &key : kSettingKeys) {
        if (!state->iniPath[0])
            break;
        if (key.field)
            state->*key.field = static_cast<LONG>(
                GetPrivateProfileIntA(kProgramName, key.name, state->*key.field, state->iniPath));
        else if (IsServiceNameKey(key))
            LoadServiceName(state);
    }
    state->ddeEnabled = state->ddeServer.serviceName[0] != '\0';
}

void SaveSettings(const TerminalState *state)
{
    if (!state->iniPath[0])
        return;
    for (const SettingKey &key : kSettingKeys) {
        char number[16];
        const char *value = number;
        if (key.written == Written::Never || (IsServiceNameKey(key) && !state->ddeEnabled))
            continue;
        if (key.field)
            snprintf(number, sizeof number, "%ld", static_cast<long>(state->*key.field));
        else
            value = IsServiceNameKey(key) ? state->ddeServer.serviceName : kProgramVersion;
        WritePrivateProfileStringA(kProgramName, key.name, value, state->iniPath);
    }
    WritePrivateProfileStringA(NULL, NULL, NULL, state->iniPath);
}
