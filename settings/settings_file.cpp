#include "settings/settings_file.h"

#include <cstdio>

#include "core/dbcs_text.h"
#include "core/program_identity.h"
#include "core/shift_jis.h"
#include "settings/ini_text.h"
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
    {"AutoConnect", &TerminalState::autoConnect, Written::Always},
};
const size_t kKeyCount = sizeof kSettingKeys / sizeof kSettingKeys[0];
// A key more than one update takes would leave every setting unsaved.
static_assert(kKeyCount <= kMaxIniEntries);

// A settings file is a few hundred bytes. One far larger is not this
// program's to read, and rewriting it from a part would destroy the rest.
const DWORD kMaxFileBytes = 64 * 1024;
// What saving can add: every key with the longest value.
const DWORD kMaxAddedBytes = 4096;

bool IsServiceNameKey(const SettingKey &key)
{
    return key.written == Written::WhileDdeEnabled;
}

// The file's bytes in a block of their own, freed with the object. A missing
// file reads as empty; one that cannot be read whole is unusable.
class SettingsText {
public:
    explicit SettingsText(const wchar_t *path) : bytes_(NULL), length_(0), usable_(false)
    {
        HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            usable_ = GetLastError() == ERROR_FILE_NOT_FOUND;
            return;
        }
        LARGE_INTEGER size = {};
        if (GetFileSizeEx(file, &size) && size.QuadPart <= kMaxFileBytes) {
            length_ = static_cast<DWORD>(size.QuadPart);
            bytes_ = static_cast<char *>(GlobalAlloc(GPTR, length_ + 1));
            DWORD read = 0;
            usable_ = bytes_ && ReadFile(file, bytes_, length_, &read, NULL) && read == length_;
        }
        CloseHandle(file);
    }
    ~SettingsText()
    {
        if (bytes_)
            GlobalFree(bytes_);
    }
    SettingsText(const SettingsText &) = delete;
    SettingsText &operator=(const SettingsText &) = delete;

    bool Usable() const { return usable_; }
    std::string_view Text() const { return usable_ ? std::string_view(bytes_, length_) : std::string_view(); }

private:
    char *bytes_;
    DWORD length_;
    bool usable_;
};

// The name is Shift-JIS in the file; a name too long for its buffer is cut
// between characters.
void LoadServiceName(TerminalState *state, std::string_view value)
{
    wchar_t *name = state->ddeServer.serviceName;
    std::size_t length = WholeCharactersWithin(value.data(), value.size(), MAX_PATH - 1);
    name[ShiftJisToWide(value.data(), length, name)] = L'\0';
}

BOOL WriteSettingsFile(const wchar_t *path, const char *bytes, DWORD length)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD written = 0;
    BOOL whole = WriteFile(file, bytes, length, &written, NULL) && written == length && SetEndOfFile(file);
    CloseHandle(file);
    return whole;
}

}  // namespace

void DeriveFilePaths(TerminalState *state)
{
    wchar_t modulePath[MAX_PATH] = L"";
    DWORD length = GetModuleFileNameW(NULL, modulePath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    MakeLogDirectory(modulePath, state->logDirectory, MAX_PATH);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(modulePath, &found);
    const wchar_t *storedName = NULL;
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        storedName = found.cFileName;
    }
    // A stored long name too long for the buffer still leaves the name the
    // program was started under.
    if (!MakeIniPath(modulePath, storedName, state->iniPath, MAX_PATH))
        MakeIniPath(modulePath, NULL, state->iniPath, MAX_PATH);
}

// A missing key keeps the value the record has, and so does a number key
// without a value, as the system's profile functions did; an empty name is
// read as empty.
void LoadSettings(TerminalState *state)
{
    SettingsText file(state->iniPath);
    for (const SettingKey &key : kSettingKeys) {
        std::string_view value;
        if (!FindIniValue(file.Text(), kSettingsSection, key.name, &value))
            continue;
        if (key.field && !value.empty())
            state->*key.field = static_cast<LONG>(ParseIniInteger(value));
        else if (IsServiceNameKey(key))
            LoadServiceName(state, value);
    }
    state->ddeEnabled = state->ddeServer.serviceName[0] != L'\0';
}

void SaveSettings(const TerminalState *state)
{
    if (!state->iniPath[0])
        return;
    SettingsText file(state->iniPath);
    if (!file.Usable())
        return;
    char numbers[kKeyCount][16];
    char serviceName[2 * MAX_PATH];
    serviceName[WideToShiftJis(state->ddeServer.serviceName, lstrlenW(state->ddeServer.serviceName),
                               serviceName)] = '\0';
    IniEntry entries[kKeyCount];
    size_t count = 0;
    for (const SettingKey &key : kSettingKeys) {
        if (key.written == Written::Never || (IsServiceNameKey(key) && !state->ddeEnabled))
            continue;
        const char *value = numbers[count];
        if (key.field)
            snprintf(numbers[count], sizeof numbers[count], "%ld", static_cast<long>(state->*key.field));
        else
            value = IsServiceNameKey(key) ? serviceName : kSettingsVersion;
        entries[count++] = {key.name, value};
    }
    std::string_view text = file.Text();
    DWORD capacity = static_cast<DWORD>(text.size()) + kMaxAddedBytes;
    char *updated = static_cast<char *>(GlobalAlloc(GPTR, capacity));
    std::size_t length = updated ? UpdateIni(text, kSettingsSection, entries, count, updated, capacity) : 0;
    if (length > 0)
        WriteSettingsFile(state->iniPath, updated, static_cast<DWORD>(length));
    if (updated)
        GlobalFree(updated);
}
