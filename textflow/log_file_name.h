// Where the day's log goes: one file per local date beside the executable.
// Kept free of windows.h so it can be checked natively.
#pragma once

#include <cstddef>

struct LogDate {
    int year;
    int month;
    int day;
};

// directory followed by "YYMMDD.LOG" (year modulo 100), a short suffix going
// before the extension. False, with out empty, when the path does not fit in
// size characters with its terminator, or when the directory is unknown
// (empty): the file would land wherever the current directory happens to be.
bool MakeLogFilePath(const wchar_t *directory, const LogDate &date, const wchar_t *suffix, wchar_t *out,
                     std::size_t size);
