// Receive polling and the output pane.
#pragma once

#include <windows.h>

void PollReceive(HWND mainWindow, UINT_PTR timerId);
// text is the line's Shift-JIS, as received or as sent (echo, DDE); carry is
// the lead-byte slot for received text, NULL for the others.
void AppendOutput(HWND outputPane, char *text, char *carry);
// An empty selection at the very end of the pane's text.
void PutCaretAtEnd(HWND outputPane);
