// Names derived from the executable's path, scanned double-byte aware.
// Kept free of windows.h so it can be checked natively.
#pragma once

#include <cstddef>

#include "core/lead_byte.h"

// The directory of modulePath with its trailing backslash. False, with out
// empty, when it does not fit.
bool MakeLogDirectory(const char *modulePath, LeadByteTest isLeadByte, char *out, std::size_t size);

// modulePath with its file name replaced by storedName (the name the file
// system reports, or NULL to keep the name as started) and its extension by
// ".ini". False, with out empty, when it does not fit.
bool MakeIniPath(const char *modulePath, const char *storedName, LeadByteTest isLeadByte, char *out,
                 std::size_t size);
