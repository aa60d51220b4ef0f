#include "textflow/log_file_name.h"

#include <cwchar>

bool MakeLogFilePath(const wchar_t *directory, const LogDate &date, const wchar_t *suffix, wchar_t *out,
                     std::size_t size)
{
    if (size == 0)
        return false;
    out[0] = L'\0';
    // Room for three numbers of any value a date may hold, and the suffix.
    wchar_t name[64];
    int nameLength = std::swprintf(name, sizeof name / sizeof name[0], L"%02d%02d%02d%ls.LOG", date.year % 100,
                                   date.month, date.day, suffix);
    std::size_t directoryLength = std::wcslen(directory);
    if (directoryLength == 0 || nameLength < 0 || directoryLength + static_cast<std::size_t>(nameLength) >= size)
        return false;
    std::wmemcpy(out, directory, directoryLength);
    std::wmemcpy(out + directoryLength, name, static_cast<std::size_t>(nameLength) + 1);
    return true;
}
