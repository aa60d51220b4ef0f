#pragma once

#include <windows.h>

// What the command line asks of the start: connect opens the saved port
// without the dialogs, as the AutoConnect setting does.
struct StartOptions {
    BOOL connect;
};

ATOM RegisterMainWindowClass(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance, const StartOptions *options = NULL);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
