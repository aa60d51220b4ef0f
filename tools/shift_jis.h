// Byte classes of Shift-JIS (code page 932). The host simulator must scan and
// produce that text the same way on any machine, whatever its own code page,
// so the ranges are fixed here instead of asking the platform.
#pragma once

#include <cstddef>
#include <string_view>

bool IsShiftJisLeadByte(unsigned char byte);
bool IsShiftJisTrailByte(unsigned char byte);

// True when text is a sequence of whole Shift-JIS characters: ASCII,
// half-width katakana, or a lead byte followed by a trail byte.
bool IsValidShiftJis(std::string_view text);

// The largest length not above limit that ends on a whole character of
// text; a lead byte without its trail byte never counts as one.
std::size_t CharBoundaryAtOrBefore(std::string_view text, std::size_t limit);
