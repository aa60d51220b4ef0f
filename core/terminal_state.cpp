#include "core/terminal_state.h"

TerminalState *GetTerminalState(HWND mainWindow)
{
    if (!mainWindow)
        return NULL;
    return reinterpret_cast<TerminalState *>(GetWindowLongPtrA(mainWindow, 0));
}

TerminalState *GetParentTerminalState(HWND child)
{
    return child ? GetTerminalState(GetParent(child)) : NULL;
}

void AttachTerminalState(HWND mainWindow, TerminalState *state)
{
    SetWindowLongPtrA(mainWindow, 0, reinterpret_cast<LONG_PTR>(state));
}
