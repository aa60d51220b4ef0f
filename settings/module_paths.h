// Names derived from the executable's path. Kept free of windows.h so it can
// be checked natively.
#pragma once

#include <cstddef>

// The directory of path (the executable's, where the log goes, or the
// settings file's) with its trailing backslash. False, with out empty, when it
// does not fit in size characters.
bool MakeDirectoryOf(const wchar_t *path, wchar_t *out, std::size_t size);

// modulePath with its file name replaced by storedName (the name the file
// system reports, or NULL to keep the name as started) and its extension by
// ".ini". False, with out empty, when it does not fit.
bool MakeIniPath(const wchar_t *modulePath, const wchar_t *storedName, wchar_t *out, std::size_t size);
