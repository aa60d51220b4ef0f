// Another application in the foreground: a window whose edit control has the
// keyboard focus and holds the text given on the command line. Posting it
// kStopAnswering makes it stop handling messages for a while, as a hung
// application does.
#include <windows.h>

#include "tests/textflow/focus_target.h"

static LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(window, kFocusTargetEditId));
        return 0;
    case kStopAnswering:
        Sleep(static_cast<DWORD>(wParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = TargetProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "VrkFocusTarget";
    if (!RegisterClassA(&windowClass))
        return 1;
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "",
                                  WS_OVERLAPPEDWINDOW, 100, 100, 400, 200, NULL, NULL, instance, NULL);
    HWND edit = CreateWindowExA(0, "EDIT", commandLine, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10,
                                360, 24, window, reinterpret_cast<HMENU>(kFocusTargetEditId), instance,
                                NULL);
    if (!window || !edit)
        return 1;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0x7FFF, 0x7FFF);
    // The title tells the test that the edit control has the focus now.
    SetWindowTextW(window, kFocusTargetTitle);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
