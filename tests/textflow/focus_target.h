// What the undo-capture tests and their focus-target peer agree on.
#pragma once

#include <windows.h>

// wParam: how many milliseconds to stop answering.
inline constexpr UINT kStopAnswering = WM_APP + 7;
