#include "tools/driving/files.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

std::string BuildFile(const char *name)
{
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of('\\') + 1) + name;
}

std::string MakeTemporaryDirectory(const char *prefix)
{
    char base[MAX_PATH] = "";
    GetTempPathA(sizeof base, base);
    static unsigned serial = 0;
    for (;;) {
        char path[MAX_PATH];
        snprintf(path, sizeof path, "%s%s-%lu-%u-%lu", base, prefix, GetCurrentProcessId(), ++serial,
                 GetTickCount());
        if (CreateDirectoryA(path, NULL))
            return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return "";
    }
}

// Names in the directory matching the pattern, sorted.
static std::vector<WIN32_FIND_DATAA> ListDirectory(const std::string &directory, const char *pattern)
{
    std::vector<WIN32_FIND_DATAA> entries;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            entries.push_back(found);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(entries.begin(), entries.end(), [](const WIN32_FIND_DATAA &a, const WIN32_FIND_DATAA &b) {
        return strcmp(a.cFileName, b.cFileName) < 0;
    });
    return entries;
}

void RemoveDirectoryTree(const std::string &directory)
{
    if (directory.empty())
        return;
    for (const WIN32_FIND_DATAA &entry : ListDirectory(directory, "*")) {
        std::string path = directory + "\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryTree(path);
        else
            DeleteFileA(path.c_str());
    }
    RemoveDirectoryA(directory.c_str());
}

std::string ReadWholeFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool WriteWholeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

std::string ConcatenatedLogs(const std::string &directory)
{
    std::string all;
    for (const WIN32_FIND_DATAA &entry : ListDirectory(directory, "*.LOG"))
        all += ReadWholeFile(directory + "\\" + entry.cFileName);
    return all;
}

std::string AsLogged(const std::string &received)
{
    std::string logged;
    for (char byte : received) {
        if (byte != '\n')
            logged += byte == '\r' ? "\r\n" : std::string(1, byte);
    }
    return logged;
}
