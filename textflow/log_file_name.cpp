#include "textflow/log_file_name.h"

#include <cstdio>

bool MakeLogFilePath(const char *directory, const LogDate &date, const char *suffix, char *out,
                     std::size_t size)
{
    if (size == 0)
        return false;
    out[0] = '\0';
    if (directory[0] == '\0')
        return false;
    int length = std::snprintf(out, size, "%s%02d%02d%02d%s.LOG", directory, date.year % 100,
                               date.month, date.day, suffix);
    if (length < 0 || static_cast<std::size_t>(length) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}
