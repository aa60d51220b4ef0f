// Title text of the main window, kept free of windows.h so it can be checked
// natively.
#pragma once

#include <cstddef>

struct TitleParts {
    // Text waits for the daily log: the title starts with a mark, "*" as in
    // an editor with changes not yet saved.
    bool logWaits;
    bool portOpen;  // or lost and waited for
    long long portNumber;  // 1 for COM1
    long baudRate;
    const wchar_t *portState;  // a word after the port, such as that it is waited for; "" for none
    bool ddeEnabled;
    const wchar_t *serviceName;
};

// Writes at most size - 1 characters and always terminates; a title longer
// than the buffer is cut.
void FormatWindowTitle(wchar_t *out, std::size_t size, const TitleParts &parts);
