// With local echo on, what went down the line is shown in the output pane:
// exactly the bytes that went out, so that the pane and the daily log never
// show as sent what a failed write held back.
#pragma once

#include <windows.h>

// bytes has room for count + 1; the byte after the count is overwritten
// with the terminator.
void EchoSent(HWND mainWindow, char *bytes, DWORD count);
