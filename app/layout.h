// Placement and colours of the two panes, and the output pane's own procedure.
#pragma once

#include <windows.h>

void LayoutPanes(HWND mainWindow);
// Return TRUE with *result set when they handled the message.
BOOL HandleCtlColorEdit(HWND mainWindow, HDC dc, LRESULT *result);
BOOL HandleSetCursor(HWND mainWindow, HWND cursorWindow, UINT hitTest);
LRESULT CALLBACK OutputPaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam);
