#include "core/terminal_state.h"

TerminalState *GetTerminalState(HWND mainWindow)
{
    if (!mainWindow)
        return NULL;
    return reinterpret_cast<TerminalState *>(GetWindowLongPtrW(mainWindow, 0));
}

TerminalState *GetParentTerminalState(HWND child)
{
    return child ? GetTerminalState(GetParent(child)) : NULL;
}

void AttachTerminalState(HWND mainWindow, TerminalState *state)
{
    SetWindowLongPtrW(mainWindow, 0, reinterpret_cast<LONG_PTR>(state));
}
