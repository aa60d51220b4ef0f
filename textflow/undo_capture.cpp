#include "textflow/undo_capture.h"

BOOL CaptureCompleteLine(TerminalState *, char *)
{
    return FALSE;
}

BOOL CapturePendingPiece(TerminalState *, char *)
{
    return FALSE;
}

void TypeIntoFocus(const char *, BOOL)
{
}

void ToggleUndoCapture(TerminalState *)
{
}
