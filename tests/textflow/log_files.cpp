#include "tests/textflow/log_files.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "tests/support/build_files.h"

static std::vector<std::string> LogFileNames(const std::string &directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*.LOG").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string ConcatenatedLogs(const std::string &directory)
{
    std::string all;
    for (const std::string &name : LogFileNames(directory))
        all += ReadWholeFile(directory + "\\" + name);
    return all;
}
