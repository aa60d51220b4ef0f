// The one RS-232C port: fixed line settings, open, close, a read that never
// waits and a write that tells the operator when sending failed.
#pragma once

#include <windows.h>

void SetLineDefaults(HWND mainWindow);
int OpenPort(HWND mainWindow);
int ClosePort(HWND mainWindow);
int IsPortOpen(HWND mainWindow);
int ReadPort(HWND mainWindow, char *buffer, DWORD count, DWORD *countRead);
int WritePort(HWND mainWindow, const char *bytes, DWORD count);
