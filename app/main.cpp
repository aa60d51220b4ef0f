#include <windows.h>

#include "app/dialog_centring.h"
#include "app/main_window.h"
#include "resources/resource_ids.h"

static int RunMessageLoop(HWND mainWindow, HACCEL accelerators)
{
    MSG message = {};
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        if (accelerators && TranslateAcceleratorW(mainWindow, accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
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
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    int exitCode = RunMessageLoop(mainWindow, accelerators);
    RemoveDialogCentring();
    return exitCode;
}
