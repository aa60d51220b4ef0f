// A port whose device goes away (a USB adapter unplugged, a hub reset, a PC
// put to sleep) is closed and waited for, then taken up again with the same
// port and line settings, silently: nobody may be at the desk. Off while the
// AutoReconnect setting is 0.
#pragma once

#include <windows.h>

int IsPortWaiting(HWND mainWindow);
// Waits for the chosen port although none was open (it was absent when it
// was to be opened), exactly as for a port whose device went away: it is
// opened, silently, once present and settled. Whatever AutoReconnect says;
// the caller asks that.
void WaitForPort(HWND mainWindow);
// WM_DEVICECHANGE, WM_POWERBROADCAST and the poll's timer ticks: a tick lets
// go of an open port whose last failure or status says that its device is
// gone, and tries a port waited for.
void HandleDeviceChange(HWND mainWindow, WPARAM event, LPARAM data);
void HandlePowerEvent(HWND mainWindow, WPARAM event);
void WatchPort(HWND mainWindow, UINT_PTR timerId);
// Opens the saved port at once, silently, or waits for it as for a lost one:
// a terminal started unattended may come up before its USB adapter does.
void OpenSavedPortOrWait(HWND mainWindow);
