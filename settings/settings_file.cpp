#include "settings/settings_file.h"

#include <cstdio>
#include <cstring>

#include "core/dbcs_text.h"
#include "core/program_identity.h"
#include "core/shift_jis.h"
#include "settings/ini_encoding.h"
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
// Room for every value in the file's code units: a number or the version in
// 16, the service name in at most three bytes a UTF-16 unit.
const size_t kNumberRoom = 16;
const size_t kValueRoom = kKeyCount * kNumberRoom + 3 * MAX_PATH;
static_assert(sizeof kProgramVersion / sizeof kProgramVersion[0] <= kNumberRoom);

bool IsServiceNameKey(const SettingKey &key)
{
    return key.written == Written::WhileDdeEnabled;
}

// The file's text, after its mark, in its own code units. A missing file
// reads as empty Shift-JIS; one that cannot be read whole reads as empty too,
// is unusable, and names the step that failed.
class SettingsText {
public:
    explicit SettingsText(const wchar_t *path)
    {
        HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();
            if (error != ERROR_FILE_NOT_FOUND)
                failure_ = {L"CreateFile", error};
            return;
        }
        failure_ = ReadWhole(file);
        CloseHandle(file);
        encoding_ = DetectIniEncoding(std::string_view(bytes_, length_));
        if (Usable() && IsUtf16(encoding_))
            failure_ = DecodeUnits();
    }
    ~SettingsText()
    {
        if (bytes_)
            GlobalFree(bytes_);
        if (units_)
            GlobalFree(units_);
    }
    SettingsText(const SettingsText &) = delete;
    SettingsText &operator=(const SettingsText &) = delete;

    bool Usable() const { return failure_.step == NULL; }
    SettingsFailure Failure() const { return failure_; }
    IniEncoding Encoding() const { return encoding_; }
    // The bytes after the mark; for UTF-16, those the units were read from.
    std::string_view Bytes() const
    {
        return Usable() ? std::string_view(bytes_, length_).substr(IniMark(encoding_).size()) : std::string_view();
    }
    std::wstring_view Units() const { return Usable() ? std::wstring_view(units_, unitCount_) : std::wstring_view(); }

private:
    SettingsFailure ReadWhole(HANDLE file)
    {
        LARGE_INTEGER size = {};
        if (!GetFileSizeEx(file, &size))
            return {L"GetFileSizeEx", GetLastError()};
        if (size.QuadPart > kMaxFileBytes)
            return {L"GetFileSizeEx", ERROR_FILE_TOO_LARGE};
        length_ = static_cast<DWORD>(size.QuadPart);
        bytes_ = static_cast<char *>(GlobalAlloc(GPTR, length_ + 1));
        if (!bytes_)
            return {L"GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY};
        DWORD read = 0;
        if (!ReadFile(file, bytes_, length_, &read, NULL))
            return {L"ReadFile", GetLastError()};
        return read == length_ ? SettingsFailure{} : SettingsFailure{L"ReadFile", ERROR_HANDLE_EOF};
    }
    SettingsFailure DecodeUnits()
    {
        std::string_view text = Bytes();
        units_ = static_cast<wchar_t *>(GlobalAlloc(GPTR, (text.size() / 2 + 1) * sizeof(wchar_t)));
        if (!units_)
            return {L"GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY};
        unitCount_ = Utf16FromBytes(text, encoding_, units_);
        return {};
    }

    char *bytes_ = NULL;
    DWORD length_ = 0;
    wchar_t *units_ = NULL;
    size_t unitCount_ = 0;
    IniEncoding encoding_ = IniEncoding::ShiftJis;
    SettingsFailure failure_ = {};
};

void LoadServiceName(wchar_t *name, std::wstring_view value, IniEncoding)
{
    size_t length = WholeUtf16Within(value, MAX_PATH - 1);
    std::wmemcpy(name, value.data(), length);
    name[length] = L'\0';
}

// A name too long for its buffer is cut between characters: at 259 bytes in
// a Shift-JIS file, as it always was, at 259 UTF-16 units in the others.
void LoadServiceName(wchar_t *name, std::string_view value, IniEncoding encoding)
{
    wchar_t decoded[3 * MAX_PATH];
    size_t length = 0;
    if (encoding == IniEncoding::Utf8) {
        // A unit takes at most three bytes: a longer value is cut, between
        // characters, before it is decoded.
        int bytes = static_cast<int>(WholeUtf8Within(value, 3 * (MAX_PATH - 1)));
        length = static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, value.data(), bytes, decoded, 3 * MAX_PATH));
    } else {
        length = ShiftJisToWide(value.data(), WholeCharactersWithin(value.data(), value.size(), MAX_PATH - 1), decoded);
    }
    LoadServiceName(name, std::wstring_view(decoded, length), encoding);
}

// A missing key keeps the value the record has, and so does a number key
// without a value, as the system's profile functions did; an empty name is
// read as empty.
template <class Char>
void LoadKeys(TerminalState *state, std::basic_string_view<Char> text, IniEncoding encoding)
{
    for (const SettingKey &key : kSettingKeys) {
        std::basic_string_view<Char> value;
        if (!FindIniValue(text, kSettingsSection, key.name, &value))
            continue;
        if (key.field && !value.empty())
            state->*key.field = static_cast<LONG>(ParseIniInteger(value));
        else if (IsServiceNameKey(key))
            LoadServiceName(state->ddeServer.serviceName, value, encoding);
    }
}

bool IsWritten(const TerminalState *state, const SettingKey &key)
{
    return key.written == Written::Always || (IsServiceNameKey(key) && state->ddeEnabled);
}

// A value in the file's code units: UTF-16 as it stands, or bytes in the
// file's encoding. out has room for three bytes a character.
size_t EncodeValue(std::wstring_view value, IniEncoding, wchar_t *out)
{
    std::wmemcpy(out, value.data(), value.size());
    return value.size();
}

size_t EncodeValue(std::wstring_view value, IniEncoding encoding, char *out)
{
    if (encoding != IniEncoding::Utf8)
        return WideToShiftJis(value.data(), value.size(), out);
    int size = static_cast<int>(value.size());
    return static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, value.data(), size, out, 3 * size, NULL, NULL));
}

// Every key that is written, in the order of the table, its value kept in
// values, which has room for kValueRoom units.
template <class Char>
size_t CollectEntries(const TerminalState *state, IniEncoding encoding, BasicIniEntry<Char> *entries, Char *values)
{
    size_t count = 0;
    for (const SettingKey &key : kSettingKeys) {
        if (!IsWritten(state, key))
            continue;
        wchar_t number[kNumberRoom];
        const wchar_t *text = number;
        if (key.field)
            std::swprintf(number, kNumberRoom, L"%ld", static_cast<long>(state->*key.field));
        else
            text = IsServiceNameKey(key) ? state->ddeServer.serviceName : kProgramVersion;
        size_t length = EncodeValue(text, encoding, values);
        entries[count++] = {key.name, std::basic_string_view<Char>(values, length)};
        values += length;
    }
    return count;
}

// The file's text with every setting written into it, in out, of capacity
// units; 0 when it does not fit.
template <class Char>
size_t UpdateSettings(const TerminalState *state, std::basic_string_view<Char> text, IniEncoding encoding, Char *out,
                      size_t capacity)
{
    BasicIniEntry<Char> entries[kKeyCount];
    Char values[kValueRoom];
    size_t count = CollectEntries(state, encoding, entries, values);
    return UpdateIni(text, kSettingsSection, entries, count, out, capacity);
}

// The bytes of a UTF-16 file's text after its mark, in body; an odd byte
// that ended the old file ends the new one too. 0 when memory is short.
size_t ComposeUtf16Body(const TerminalState *state, const SettingsText &file, size_t capacity, char *body)
{
    auto *units = static_cast<wchar_t *>(GlobalAlloc(GPTR, capacity * sizeof(wchar_t)));
    if (!units)
        return 0;
    size_t count = UpdateSettings(state, file.Units(), file.Encoding(), units, capacity);
    Utf16ToBytes(std::wstring_view(units, count), file.Encoding(), body);
    GlobalFree(units);
    std::string_view oddByte = file.Bytes().substr(2 * file.Units().size());
    std::memcpy(body + 2 * count, oddByte.data(), oddByte.size());
    return count ? 2 * count + oddByte.size() : 0;
}

// The new file's bytes, its mark first, in *block (free it with GlobalFree).
// Returns the length, 0 when memory is short.
DWORD ComposeSettingsFile(const TerminalState *state, const SettingsText &file, char **block)
{
    std::string_view mark = IniMark(file.Encoding());
    size_t capacity = file.Bytes().size() + kMaxAddedBytes;
    char *bytes = static_cast<char *>(GlobalAlloc(GPTR, mark.size() + 2 * capacity));
    *block = bytes;
    if (!bytes)
        return 0;
    std::memcpy(bytes, mark.data(), mark.size());
    char *body = bytes + mark.size();
    size_t bodyLength = 0;
    if (IsUtf16(file.Encoding()))
        bodyLength = ComposeUtf16Body(state, file, capacity, body);
    else
        bodyLength = UpdateSettings(state, file.Bytes(), file.Encoding(), body, capacity);
    return bodyLength ? static_cast<DWORD>(mark.size() + bodyLength) : 0;
}

SettingsFailure WriteAndFlush(HANDLE file, const char *bytes, DWORD length)
{
    DWORD written = 0;
    if (!WriteFile(file, bytes, length, &written, NULL))
        return {L"WriteFile", GetLastError()};
    if (written != length)
        return {L"WriteFile", ERROR_DISK_FULL};
    // The text is on the disk before the name points at it: after a power
    // cut the settings file is never one whose text was still in the cache.
    if (!FlushFileBuffers(file))
        return {L"FlushFileBuffers", GetLastError()};
    return {};
}

// The new text goes to a file of its own beside the settings, which then
// takes the settings' place in one step: the settings file is always the old
// one or the new one, whole, whatever fails or stops on the way.
SettingsFailure ReplaceSettingsFile(const wchar_t *path, const char *bytes, DWORD length)
{
    wchar_t directory[MAX_PATH];
    wchar_t fresh[MAX_PATH];
    if (!MakeDirectoryOf(path, directory, MAX_PATH) || !GetTempFileNameW(directory, kProgramName, 0, fresh))
        return {L"GetTempFileName", GetLastError()};
    HANDLE file = CreateFileW(fresh, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    SettingsFailure failure = {L"CreateFile", GetLastError()};
    if (file != INVALID_HANDLE_VALUE) {
        failure = WriteAndFlush(file, bytes, length);
        CloseHandle(file);
    }
    if (!failure.step && !MoveFileExW(fresh, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failure = {L"MoveFileEx", GetLastError()};
    if (failure.step)
        DeleteFileW(fresh);
    return failure;
}

// A file made read-only is one its owner wants kept as it is.
bool IsReadOnly(const wchar_t *path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

}  // namespace

void DeriveFilePaths(TerminalState *state)
{
    wchar_t modulePath[MAX_PATH] = L"";
    DWORD length = GetModuleFileNameW(NULL, modulePath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    MakeDirectoryOf(modulePath, state->logDirectory, MAX_PATH);
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

void LoadSettings(TerminalState *state)
{
    SettingsText file(state->iniPath);
    state->settingsUnreadable = !file.Usable();
    if (IsUtf16(file.Encoding()))
        LoadKeys(state, file.Units(), file.Encoding());
    else
        LoadKeys(state, file.Bytes(), file.Encoding());
    state->ddeEnabled = state->ddeServer.serviceName[0] != L'\0';
}

SettingsFailure SaveSettings(const TerminalState *state)
{
    // Defaults written over a file that could not be read would replace what
    // it holds; it is left as it is, as is a file made read-only.
    if (!state->iniPath[0] || state->settingsUnreadable || IsReadOnly(state->iniPath))
        return {};
    SettingsText file(state->iniPath);
    if (!file.Usable())
        return file.Failure();
    char *bytes = NULL;
    DWORD length = ComposeSettingsFile(state, file, &bytes);
    SettingsFailure failure = {L"GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY};
    if (length > 0)
        failure = ReplaceSettingsFile(state->iniPath, bytes, length);
    if (bytes)
        GlobalFree(bytes);
    return failure;
}
