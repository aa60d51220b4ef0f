// What the undo-capture tests and their focus-target peer agree on.
#pragma once

#include <windows.h>

// The peer takes this title once its edit control has the focus.
inline constexpr wchar_t kFocusTargetTitle[] = L"VRK focus target";
inline constexpr int kFocusTargetEditId = 100;
// wParam: how many milliseconds to stop answering.
inline constexpr UINT kStopAnswering = WM_APP + 7;
