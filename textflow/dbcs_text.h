// Walks over 8-bit code-page text that may hold double-byte characters.
// Kept free of windows.h so it can be checked natively.
#pragma once

#include <cstddef>

#include "core/lead_byte.h"

// True when the last of length bytes is a lead byte without its second byte.
bool EndsInLoneLeadByte(const char *text, std::size_t length, LeadByteTest isLeadByte);

// Cuts a lead byte that ends the text without its second byte off the text
// and returns it; returns 0 when the text ends on a whole character.
char TakeTrailingLeadByte(char *text, LeadByteTest isLeadByte);

// Byte offset of a position reported by an edit control whose whole text
// measures unitLength in its own units. A control that stores 8-bit text
// counts bytes, one that stores wide text counts characters; when the two
// lengths agree the position already is a byte offset. Never past byteLength.
std::size_t EditPositionToByteOffset(const char *text, std::size_t byteLength,
                                     std::size_t unitLength, std::size_t position,
                                     LeadByteTest isLeadByte);

// Replaces each separator that stands as a character of its own, never the
// second byte of a double-byte character, with a zero byte.
void SplitAtSeparators(char *text, char separator, LeadByteTest isLeadByte);
