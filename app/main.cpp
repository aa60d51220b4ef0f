#include <windows.h>

#include "app/dialog_centring.h"
#include "app/main_window.h"
#include "resources/resource_ids.h"

static int RunMessageLoop(HWND mainWindow, HACCEL accelerators)
{
    MSG message = {};
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (accelerators && TranslateAcceleratorA(mainWindow, accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand)
{
    if (!previous && !RegisterMainWindowClass(instance))
        return 0;
    InstallDialogCentring();
    HWND mainWindow = CreateMainWindow(instance);
    if (!mainWindow) {
        RemoveDialogCentring();
        return 0;
    }
    ShowWindow(mainWindow, showCommand);
    UpdateWindow(mainWindow);
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    int exitCode = RunMessageLoop(mainWindow, accelerators);
    RemoveDialogCentring();
    return exitCode;
}
