// Finding and answering another program's windows.
#pragma once

#include <windows.h>

#include <string>

inline constexpr wchar_t kDialogClass[] = L"#32770";

std::wstring WindowTextOf(HWND window);

// The first top-level window of the process, visible unless told otherwise,
// whose class is className (any when NULL) and whose title is title (any when
// NULL); waits up to timeoutMs, NULL when none shows up.
HWND WaitForTopLevel(DWORD processId, const wchar_t *className, const wchar_t *title, DWORD timeoutMs,
                     bool visible = true);

// Text of a message box (caption "VRK") of the process, which is then closed
// with OK; empty when none shows up in time.
std::wstring AnswerMessageBox(DWORD processId, DWORD timeoutMs = 5000);
std::wstring MessageBoxText(HWND box);

// Presses a dialog's push button the way a click does.
bool PressDialogButton(HWND dialog, int id);

// Types Shift-JIS text into a window of any process, a UTF-16 character
// message a character, as the keyboard and the input method would.
void TypeText(HWND window, const std::string &text);
