// Receive polling and the output pane.
#pragma once

#include <windows.h>

// A poll takes what the port holds in one read of up to this many bytes (the
// last one a terminator): a 300 ms tick at 115200 baud brings about 3.5 KB,
// and every read and every append costs far more than the bytes in it.
const DWORD kReceiveBufferSize = 8192;

void PollReceive(HWND mainWindow, UINT_PTR timerId);
// text is the line's Shift-JIS, as received or as sent (echo, DDE); carry is
// the lead-byte slot for received text, NULL for the others. What is shown
// goes to the daily log as it is shown, under the date it arrived on.
void AppendOutput(HWND outputPane, char *text, char *carry);
void AppendOutputAt(HWND outputPane, char *text, char *carry, const SYSTEMTIME &arrived);
// The operator's Connect may lead to another host: a lead byte held from the
// last session is shown and logged as the lone byte it is, and the next
// session's first byte is not glued to it.
void ShowHeldLeadByte(HWND mainWindow);
// An empty selection at the very end of the pane's text.
void PutCaretAtEnd(HWND outputPane);
