#pragma once

#include <string>

// Full path of a file that the build put next to the running test program.
std::string VrkBuildFile(const char *name);

// A fresh, empty directory under the system's temporary directory.
std::string MakeTemporaryDirectory(const char *prefix);
void RemoveDirectoryTree(const std::string &directory);

std::string ReadWholeFile(const std::string &path);
bool WriteWholeFile(const std::string &path, const std::string &bytes);
bool FileExists(const std::string &path);
