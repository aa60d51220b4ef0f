#include "tools/host_files.h"

#include <windows.h>

#include "tools/unique_handle.h"

static const UINT kShiftJisCodePage = 932;

static std::string CallFailed(const char *call, DWORD code)
{
    return std::string(call) + " failed (error " + std::to_string(code) + ")";
}

bool ReadWholeFile(const std::string &path, std::size_t maxBytes, std::string &out, std::string &error)
{
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    if (!file.valid()) {
        error = path + ": " + CallFailed("CreateFile", GetLastError());
        return false;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size)) {
        error = path + ": " + CallFailed("GetFileSizeEx", GetLastError());
        return false;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
        return false;
    }
    out.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!out.empty() && !ReadFile(file.get(), &out[0], static_cast<DWORD>(out.size()), &read, NULL)) {
        error = path + ": " + CallFailed("ReadFile", GetLastError());
        return false;
    }
    out.resize(read);
    return true;
}

static bool Utf8ToWide(const std::string &utf8, std::wstring &wide)
{
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, NULL, 0);
    if (length <= 0)
        return false;
    wide.assign(static_cast<std::size_t>(length), L'\0');
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, &wide[0], length) == length;
}

static bool WideToShiftJis(const std::wstring &wide, std::string &out)
{
    const int size = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, NULL, 0,
                                           NULL, &usedDefault);
    if (length <= 0 || usedDefault)
        return false;
    out.assign(static_cast<std::size_t>(length), '\0');
    return WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, &out[0], length, NULL,
                               &usedDefault) == length &&
           !usedDefault;
}

bool Utf8ToShiftJis(const std::string &utf8, std::string &out, std::string &error)
{
    static const char kByteOrderMark[] = "\xef\xbb\xbf";
    const bool hasMark = utf8.compare(0, 3, kByteOrderMark) == 0;
    const std::string text = hasMark ? utf8.substr(3) : utf8;
    out.clear();
    if (text.empty())
        return true;
    std::wstring wide;
    if (!Utf8ToWide(text, wide)) {
        error = "not UTF-8 text";
        return false;
    }
    if (!WideToShiftJis(wide, out)) {
        error = "holds characters that Shift-JIS lacks";
        return false;
    }
    return true;
}
