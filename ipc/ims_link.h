// Link with the input monitor server through a registered window message.
#pragma once

#include <windows.h>

void StartImsDiscovery(HWND mainWindow);
void HandleImsMessage(HWND mainWindow, WPARAM code, LPARAM window);
void CheckImsLink(HWND mainWindow, UINT_PTR timerId);
void ReleaseImsLink(HWND mainWindow);
void ToggleImsLink(HWND mainWindow);
