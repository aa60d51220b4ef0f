// Files of a driven terminal: its directory, its settings, its logs.
#pragma once

#include <string>

// Full path of a file that the build put next to the running program.
std::string BuildFile(const char *name);

// A fresh, empty directory under the system's temporary directory.
std::string MakeTemporaryDirectory(const char *prefix);
void RemoveDirectoryTree(const std::string &directory);

std::string ReadWholeFile(const std::string &path);
bool WriteWholeFile(const std::string &path, const std::string &bytes);

// Every daily log file in the directory, oldest day first, end to end.
std::string ConcatenatedLogs(const std::string &directory);

// Bytes received from the host as the terminal's pane shows and logs them:
// line feeds dropped, each carriage return a line end.
std::string AsLogged(const std::string &received);
