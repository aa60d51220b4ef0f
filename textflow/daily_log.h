// One log file per day, beside the executable.
#pragma once

#include <windows.h>

// Appends length bytes of text to the file of the date in now (a parameter,
// so that a run across midnight can be staged), after the text that waits for
// its file; what cannot be written now waits. 1 when the text was taken; 0
// when logging is off or the text is empty.
int WriteDailyLog(HWND mainWindow, const char *text, DWORD length, const SYSTEMTIME &now);

// Logs the output pane's text from start up to end, positions in characters,
// or the whole text when either is negative, in Shift-JIS. 1 when the text
// was fetched and handed on.
int LogOutputPane(HWND mainWindow, LONG start, LONG end);
int LogOutputPaneAt(HWND mainWindow, LONG start, LONG end, const SYSTEMTIME &now);

// Logs what the pane holds that the log lacks, then empties it, so that text
// shown while the program ends is logged once, later, and nothing twice.
void LogPaneBeforeExit(HWND mainWindow);

// Tries the file again now and then while text waits, on the poll timer.
void RetryDailyLog(HWND mainWindow);

// At exit: what still cannot go into its day's file goes into the file beside
// it, "YYMMDD_2.LOG", which nothing reads back.
void FinishDailyLog(HWND mainWindow);

void OpenLogFile(HWND mainWindow);
