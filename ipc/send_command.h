// The one execute command of the DDE service, [Send(text)], read from a
// client's bytes without trusting their length or their termination.
#pragma once

#include <cstddef>

// Where the text of a Send command lies within the command string.
struct SendCommandText {
    size_t offset;
    size_t length;
};

// True when the `length` bytes of `command` are exactly "[Send(" text ")]".
// The text runs from the first "(" to the final ")" and may hold brackets and
// parentheses of its own; nothing is trimmed and the name is case-sensitive.
bool FindSendCommandText(const char *command, size_t length, SendCommandText *text);
