// 8-bit text of the system code page as the edit controls hold it.
#pragma once

#include <windows.h>

#include <cstddef>

// Length of an edit control's text in the units of its own position
// messages (EM_GETSEL, EM_LINEINDEX): bytes where the control stores 8-bit
// text, characters where it stores wide text.
std::size_t EditLengthInOwnUnits(HWND edit);
