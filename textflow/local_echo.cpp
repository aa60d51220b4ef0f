#include "textflow/local_echo.h"

#include "core/terminal_state.h"
#include "textflow/output_pane.h"

void EchoSent(HWND mainWindow, char *bytes, DWORD count)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->localEcho || !bytes || count == 0)
        return;
    bytes[count] = '\0';
    AppendOutput(state->outputEdit, bytes, NULL);
}
