// Title text of the main window, kept free of windows.h so it can be checked
// natively.
#pragma once

#include <cstddef>

#include "core/lead_byte.h"

struct TitleParts {
    bool portOpen;  // or lost and waited for
    long long portNumber;  // 1 for COM1
    long baudRate;
    const char *portState;  // a word after the port, such as that it is waited for; "" for none
    bool ddeEnabled;
    const char *serviceName;
    // The code page's double-byte lead-byte test; NULL for single-byte text.
    LeadByteTest isLeadByte;
};

// Writes at most size - 1 characters and always terminates; a title longer
// than the buffer is cut, never inside a double-byte character.
void FormatWindowTitle(char *out, std::size_t size, const TitleParts &parts);
