// Whole files read for the simulator's steps.
#pragma once

#include <cstddef>
#include <string>

// Reads the file at path into out. False, with a reason in error, when it
// cannot be read or holds more than maxBytes.
bool ReadWholeFile(const std::string &path, std::size_t maxBytes, std::string &out, std::string &error);

// Converts UTF-8 text (a leading byte-order mark is dropped) to Shift-JIS
// (code page 932). False, with a reason in error, when the text is not
// UTF-8 or holds a character Shift-JIS lacks.
bool Utf8ToShiftJis(const std::string &utf8, std::string &out, std::string &error);
