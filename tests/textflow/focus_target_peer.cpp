// Another application in the foreground: an edit control as its only window,
// with the keyboard focus and the text given on the command line. Posting it
// kStopAnswering makes it stop handling messages for a while, as a hung
// application does.
#include <windows.h>

#include "tests/textflow/focus_target.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    HWND edit = CreateWindowExA(0, "EDIT", commandLine, WS_OVERLAPPEDWINDOW | ES_AUTOHSCROLL, 100, 100, 400,
                                200, NULL, NULL, instance, NULL);
    if (!edit)
        return 1;
    SendMessageA(edit, EM_SETSEL, 0x7FFF, 0x7FFF);
    ShowWindow(edit, SW_SHOW);
    SetForegroundWindow(edit);
    SetFocus(edit);
    MSG message;
    while (IsWindow(edit) && GetMessageA(&message, NULL, 0, 0) > 0) {
        if (message.message == kStopAnswering)
            Sleep(static_cast<DWORD>(message.wParam));
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
