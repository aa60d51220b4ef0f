#include "app/commands.h"

#include "app/terminal_state.h"
#include "app/window_title.h"
#include "ipc/dde_probe.h"
#include "resources/resource_ids.h"
#include "serial/connect_dialogs.h"
#include "serial/serial_port.h"

void BuildMenus(HWND)
{
}

static void RunCommand(HWND mainWindow, UINT command)
{
    switch (command) {
    case IDM_DUPLICATE_NOTICE:
        ShowDuplicateServiceNotice(mainWindow);
        break;
    case IDM_CONNECT:
        RunConnect(mainWindow);
        break;
    case IDM_EXIT:
        PostMessageA(mainWindow, WM_CLOSE, 0, 0);
        break;
    }
}

BOOL HandleCommand(HWND mainWindow, WPARAM wParam)
{
    UINT code = HIWORD(wParam);
    if (code != 0 && code != 1)
        return FALSE;
    RunCommand(mainWindow, LOWORD(wParam));
    RefreshTitle(mainWindow);
    return TRUE;
}

BOOL HandleSysCommand(HWND, WPARAM)
{
    return FALSE;
}

void UpdateMenuChecks(HWND, HMENU)
{
}

void RefreshTitle(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    TitleParts parts = {IsPortOpen(mainWindow) != 0, state->portIndex + 1, state->baudRate,
                        state->ddeEnabled != 0, state->ddeServer.serviceName};
    char title[256];
    FormatWindowTitle(title, sizeof title, parts);
    SetWindowTextA(mainWindow, title);
}
