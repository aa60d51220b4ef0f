#include "tests/textflow/log_files.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "tests/support/build_files.h"

std::string ConcatenatedLogs(const std::string &directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*.LOG").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    std::string all;
    for (const std::string &name : names)
        all += ReadWholeFile(directory + "\\" + name);
    return all;
}
