#include <windows.h>

#include "app/command_line.h"
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

// A PC restarted for an update brings the terminal back as it was started;
// a crash or a hang does not, so a terminal that keeps failing cannot loop.
// A refusal (arguments past the system's limit) leaves nothing to do: the
// terminal then stays closed after such a restart, as before.
static void RegisterUpdateRestart(const wchar_t *arguments)
{
    RegisterApplicationRestart(*arguments ? arguments : NULL, RESTART_NO_CRASH | RESTART_NO_HANG);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand)
{
    if (!previous && !RegisterMainWindowClass(instance))
        return 0;
    const wchar_t *arguments = CommandLineArguments(GetCommandLineW());
    RegisterUpdateRestart(arguments);
    InstallDialogCentring();
    StartOptions options = {HasConnectSwitch(arguments)};
    HWND mainWindow = CreateMainWindow(instance, &options);
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
