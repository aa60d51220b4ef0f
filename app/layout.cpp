#include "app/layout.h"

#include "app/terminal_state.h"

void LayoutPanes(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || IsIconic(mainWindow))
        return;
    RECT client;
    GetClientRect(mainWindow, &client);
    int inputHeight = 24;
    MoveWindow(state->inputEdit, 0, client.bottom - inputHeight, client.right, inputHeight, TRUE);
    MoveWindow(state->outputEdit, 0, 0, client.right, client.bottom - inputHeight, TRUE);
}

BOOL HandleCtlColorEdit(HWND, HDC, LRESULT *)
{
    return FALSE;
}

BOOL HandleSetCursor(HWND, HWND, UINT)
{
    return FALSE;
}

LRESULT CALLBACK OutputPaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam)
{
    TerminalState *state = GetParentTerminalState(pane);
    WNDPROC oldProc = state ? state->outputOldProc : NULL;
    if (!oldProc)
        return DefWindowProcA(pane, message, wParam, lParam);
    return CallWindowProcA(oldProc, pane, message, wParam, lParam);
}
