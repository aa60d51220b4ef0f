// The command table: menus, accelerators, system and right-click menus.
#pragma once

#include <windows.h>

void BuildMenus(HWND mainWindow);
// Before the window and the right-click menu are destroyed.
void DetachMirroredMenus(HWND mainWindow);
// Each returns TRUE when it handled the message.
BOOL HandleCommand(HWND mainWindow, WPARAM wParam);
BOOL HandleSysCommand(HWND mainWindow, WPARAM wParam);
void UpdateMenuChecks(HWND mainWindow, HMENU popup);
void RefreshTitle(HWND mainWindow);
