// One log file per day, beside the executable.
#pragma once

#include <windows.h>

int WriteDailyLog(HWND mainWindow, const char *text, DWORD length);
int LogOutputPane(HWND mainWindow, LONG start, LONG end);
void OpenLogFile(HWND mainWindow);
