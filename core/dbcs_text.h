// Walks over the line's Shift-JIS bytes, where a character may take two.
// Kept free of windows.h so it can be checked natively.
#pragma once

#include <cstddef>

// True when the last of length bytes is a lead byte without its second byte.
bool EndsInLoneLeadByte(const char *text, std::size_t length);

// Cuts a lead byte that ends the text without its second byte off the text
// and returns it; returns 0 when the text ends on a whole character.
char TakeTrailingLeadByte(char *text);

// The longest start of the length bytes of text, at most limit bytes long,
// that does not end inside a character.
std::size_t WholeCharactersWithin(const char *text, std::size_t length, std::size_t limit);
