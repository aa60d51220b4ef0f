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
// The error code of the last read or write on the open port that failed, 0
// when none has since the last call; the port only reports it, and the
// caller decides what it means.
DWORD TakePortFailure(HWND mainWindow);
// Asks the open port's driver for its status: the error code when the call
// fails, 0 when it succeeds or no port is open.
DWORD QueryPortFailure(HWND mainWindow);
int ReadPort(HWND mainWindow, char *buffer, DWORD count, DWORD *countRead);
// *countSent, when given, tells how many of the bytes went out, all of them
// on success and the few before the failure otherwise.
int WritePort(HWND mainWindow, const char *bytes, DWORD count, DWORD *countSent = NULL);
