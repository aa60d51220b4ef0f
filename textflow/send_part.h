// Which part of the input line Enter sends, and what stays behind.
// Kept free of windows.h so it can be checked natively.
#pragma once

#include <cstddef>

// Character range [start, end) of the line's text.
struct SendPart {
    std::size_t start;
    std::size_t end;
};

// The selection, or without one everything before the caret; positions never
// reach past length.
SendPart ChooseSendPart(std::size_t selectionStart, std::size_t selectionEnd, std::size_t length);

// Removes the part from the terminated text of length characters, keeping
// the text before and after it.
void CutSendPart(wchar_t *text, std::size_t length, SendPart part);
