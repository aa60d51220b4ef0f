#include "textflow/input_line.h"

#include "app/terminal_state.h"

LRESULT CALLBACK InputLineProc(HWND input, UINT message, WPARAM wParam, LPARAM lParam)
{
    TerminalState *state = GetParentTerminalState(input);
    WNDPROC oldProc = state ? state->inputOldProc : NULL;
    if (!oldProc)
        return DefWindowProcA(input, message, wParam, lParam);
    return CallWindowProcA(oldProc, input, message, wParam, lParam);
}

void SendClipboardText(HWND)
{
}
