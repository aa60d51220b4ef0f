// Which part of the input line Enter sends, and what stays behind.
// Kept free of windows.h so it can be checked natively.
#pragma once

#include <cstddef>

// Byte range [start, end) of the line's text.
struct SendPart {
    std::size_t start;
    std::size_t end;
};

// The selection, or without one everything before the caret; positions are
// bytes and never reach past length.
SendPart ChooseSendPart(std::size_t selectionStart, std::size_t selectionEnd, std::size_t length);

// Removes the part from the NUL-terminated text of length bytes, keeping the
// text before and after it.
void CutSendPart(char *text, std::size_t length, SendPart part);
