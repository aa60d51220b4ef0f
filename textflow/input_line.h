// The input line: Enter sends, PageUp/PageDown scroll the output pane.
#pragma once

#include <windows.h>

LRESULT CALLBACK InputLineProc(HWND input, UINT message, WPARAM wParam, LPARAM lParam);
void SendClipboardText(HWND mainWindow);
