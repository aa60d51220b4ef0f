// One log file per day, beside the executable.
#pragma once

#include <windows.h>

// Appends length bytes of text to the file of the date in now (a parameter,
// so that a run across midnight can be staged). 1 when the file was opened
// and the write attempted; 0 when logging is off, the text is empty or the
// file cannot be opened.
int WriteDailyLog(HWND mainWindow, const char *text, DWORD length, const SYSTEMTIME &now);

// Logs the output pane's text from start up to end, positions in characters,
// or the whole text when either is negative, in Shift-JIS. 1 when the text
// was fetched and handed on.
int LogOutputPane(HWND mainWindow, LONG start, LONG end);
int LogOutputPaneAt(HWND mainWindow, LONG start, LONG end, const SYSTEMTIME &now);

void OpenLogFile(HWND mainWindow);
