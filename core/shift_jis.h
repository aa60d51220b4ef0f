// Shift-JIS (code page 932) is the host's text, and so that of the line, the
// daily log, the settings file and the DDE commands, whatever the system's
// own code page; the text on screen is UTF-16. The two meet here, at those
// edges only, and nothing in between guesses which of the two a text is.
#pragma once

#include <cstddef>

// The lead bytes of code page 932, fixed here so that no scan depends on the
// system's code page.
inline bool IsShiftJisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Converts length bytes and returns the number of characters written to out,
// which has room for length characters: a byte, or a lead byte and the byte
// after it, gives one character. A pair that is no character, or a lead byte
// without its second byte, gives the code page's substitute, "・". Nothing is
// terminated.
std::size_t ShiftJisToWide(const char *bytes, std::size_t length, wchar_t *out);

// Converts length characters and returns the number of bytes written to out,
// which has room for two bytes a character. A character that code page 932
// lacks becomes "?".
std::size_t WideToShiftJis(const wchar_t *text, std::size_t length, char *out);
