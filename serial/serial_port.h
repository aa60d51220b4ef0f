// The one RS-232C port: fixed line settings, open, close, a read that never
// waits and a write that tells the operator when sending failed.
#pragma once

#include <windows.h>

void SetLineDefaults(HWND mainWindow);
int OpenPort(HWND mainWindow);
// Opens the port as OpenPort does, without telling anybody; 1 when it opened.
int ReopenPort(HWND mainWindow);
// Closing also ends any waiting for a lost port to come back.
int ClosePort(HWND mainWindow);
int IsPortOpen(HWND mainWindow);
// Open, or lost and waited for: sends go to it, and fail while it is away.
int IsPortInUse(HWND mainWindow);
// Lets go of an open port whose status call says that its device is gone.
void CheckPortStatus(HWND mainWindow);
int ReadPort(HWND mainWindow, char *buffer, DWORD count, DWORD *countRead);
// *portLost, when given, tells after a failure whether the port was lost, so
// that the text can be kept for sending again.
int WritePort(HWND mainWindow, const char *bytes, DWORD count, BOOL *portLost = NULL);
