#include "tests/support/build_files.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

std::string VrkBuildFile(const char *name)
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

void RemoveDirectoryTree(const std::string &directory)
{
    if (directory.empty())
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = directory + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
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

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
