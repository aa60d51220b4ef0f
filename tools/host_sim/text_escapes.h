// Text given on the command line or in a script, with escapes for the bytes
// a shell or an editor makes awkward: \r \n \t \\ and \xHH.
#pragma once

#include <string>
#include <string_view>

// Appends the bytes of text to out. The second byte of a Shift-JIS character
// may be a backslash (as in "ソ"), so double-byte characters are copied whole
// and never read as an escape. False, with a reason in error, for an unknown
// or unfinished escape.
bool DecodeEscapes(std::string_view text, std::string &out, std::string &error);
