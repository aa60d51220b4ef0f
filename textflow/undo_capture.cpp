#include "textflow/undo_capture.h"

static const char kUndoMarker = '\x1D';

// Each message to the focus window may wait this long. The window belongs to
// another application; one that stopped answering must not hold the terminal.
static const UINT kTypingTimeoutMs = 1000;

BOOL CaptureCompleteLine(TerminalState *state, char *line)
{
    if (line[0] == kUndoMarker) {
        state->undoCapturing = 0;
        TypeIntoFocus(line + 1, TRUE);
        return TRUE;
    }
    if (!state->undoCapturing)
        return FALSE;
    state->undoCapturing = 0;
    TypeIntoFocus(line, FALSE);
    return TRUE;
}

BOOL CapturePendingPiece(TerminalState *state, char *piece)
{
    if (piece[0] == kUndoMarker) {
        state->undoCapturing = 1;
        TypeIntoFocus(piece + 1, TRUE);
        return TRUE;
    }
    if (!state->undoCapturing)
        return FALSE;
    TypeIntoFocus(piece, FALSE);
    return TRUE;
}

// SMTO_BLOCK keeps this thread from handling other sent messages while it
// waits, so nothing can re-enter the receive path or destroy the window
// under the chunk being typed.
static void SendToFocus(HWND focus, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(focus, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                        kTypingTimeoutMs, &result);
}

static void TypeIntoWindow(HWND focus, const char *text, BOOL caretToStart)
{
    if (caretToStart)
        SendToFocus(focus, EM_SETSEL, 0, 0);
    // An empty replacement would only delete whatever the other
    // application's user has selected.
    if (text[0] != '\0')
        SendToFocus(focus, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

void TypeIntoFocus(const char *text, BOOL caretToStart)
{
    HWND foreground = GetForegroundWindow();
    if (!text || !foreground)
        return;
    DWORD ownThread = GetCurrentThreadId();
    DWORD foregroundThread = GetWindowThreadProcessId(foreground, NULL);
    // Without the attachment GetFocus would name this thread's own focus
    // window, and the text would land in the wrong place.
    bool attach = foregroundThread != ownThread;
    if (attach && !AttachThreadInput(foregroundThread, ownThread, TRUE))
        return;
    HWND focus = GetFocus();
    if (focus && IsWindow(focus))
        TypeIntoWindow(focus, text, caretToStart);
    if (attach)
        AttachThreadInput(foregroundThread, ownThread, FALSE);
}

void ToggleUndoCapture(TerminalState *state)
{
    if (!state)
        return;
    state->undoCapturing = 0;
    state->enableUndo = state->enableUndo ? 0 : 1;
}
