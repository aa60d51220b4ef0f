// Finding another program's windows from a test.
#pragma once

#include <windows.h>

#include <string>

std::wstring WindowTextOf(HWND window);
std::wstring ClassOf(HWND window);

// The first visible top-level window of process `processId` whose class is
// `className` (or any class when NULL) and whose title equals `title` (or any
// title when NULL); waits up to timeoutMs.
HWND WaitForTopLevel(DWORD processId, const wchar_t *className, const wchar_t *title, DWORD timeoutMs);

// True when no such window shows up within timeoutMs.
bool StaysAbsent(DWORD processId, const wchar_t *className, const wchar_t *title, DWORD timeoutMs);

// Types 8-bit text into a window, one character message a byte, as the
// keyboard would (the window may belong to another process).
void TypeText(HWND window, const char *text);

// Presses a push button of a dialog the way a click does: BN_CLICKED to the
// dialog.
bool PressDialogButton(HWND dialog, int id);
