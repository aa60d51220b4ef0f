// A port whose device goes away (a USB adapter unplugged, a hub reset, a PC
// put to sleep) is closed and waited for, then taken up again with the same
// port and line settings, silently: nobody may be at the desk. Off while the
// AutoReconnect setting is 0.
#pragma once

#include <windows.h>

int IsPortWaiting(HWND mainWindow);
// Lets go of the port when a failed call's error code says its device is gone.
void NoticePortError(HWND mainWindow, DWORD code);
// WM_DEVICECHANGE, WM_POWERBROADCAST and the poll's timer ticks.
void HandleDeviceChange(HWND mainWindow, WPARAM event, LPARAM data);
void HandlePowerEvent(HWND mainWindow, WPARAM event);
void RetryLostPort(HWND mainWindow, UINT_PTR timerId);
// Opens the saved port at once, silently, or waits for it as for a lost one:
// a terminal started unattended may come up before its USB adapter does.
void OpenSavedPortOrWait(HWND mainWindow);
