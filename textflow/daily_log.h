// One log file per day, beside the executable.
#pragma once

#include <windows.h>

// Appends length bytes of text to the file of the date the text arrived on,
// after the text that waits for its file; what cannot be written now waits.
// The switch is read now, as the text arrives. 1 when the text was taken; 0
// when logging is off or the text is empty.
int WriteDailyLog(HWND mainWindow, const char *text, DWORD length, const SYSTEMTIME &arrived);

// Tries the file again now and then while text waits, on the poll timer.
void RetryDailyLog(HWND mainWindow);

// At exit: what still cannot go into its day's file goes into the file beside
// it, "YYMMDD_2.LOG", which nothing reads back.
void FinishDailyLog(HWND mainWindow);

void OpenLogFile(HWND mainWindow);
