// What the DDE server and the start-up probe share about waiting for another
// program: time limits and the nested message loop.
#pragma once

#include <windows.h>

// The longest a single window may keep a DDE send waiting. Servers and
// clients answer an initiate straight from their window procedure; one that
// takes longer is treated as not answering rather than holding the terminal.
inline constexpr UINT kDdeSendTimeoutMs = 1000;

// Milliseconds left of a `limitMs` wait that began at tick `start`; 0 once over.
DWORD RemainingMs(DWORD start, DWORD limitMs);

// Dispatches the next message of this thread, or waits at most `waitMs` for
// one to arrive. Returns FALSE when a quit message was taken off the queue; it
// is posted again for the main loop and the caller must stop waiting.
BOOL DispatchNextMessage(DWORD waitMs);
