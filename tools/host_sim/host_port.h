// The simulator's end of the serial line, set up like the terminal's own
// port so that the two agree on speed, framing and handshake.
#pragma once

#include <windows.h>

// Opens \\.\COMn (the device name reaches COM10 and above too) at baudRate
// with 8N1, RTS/CTS handshake and DTR on. On failure returns
// INVALID_HANDLE_VALUE, names the failed call in failedStep and leaves its
// error code in failedCode. A read on the port returns what has arrived,
// waiting up to about 50 ms for a first byte.
HANDLE OpenHostPort(unsigned long portNumber, unsigned long baudRate, const char **failedStep, DWORD *failedCode);

