// Host lines that begin with 0x1D are typed into the foreground application.
#pragma once

#include "core/terminal_state.h"

// TRUE when capture takes the text: it begins with the marker, or a marked
// line begun in an earlier chunk is still open.
BOOL IsUndoText(const TerminalState *state, const char *text);
// Type text that IsUndoText took into the foreground application instead of
// showing it: a complete line closes the capture, a pending piece keeps it
// open. Typing waits on another application, so the caller fetches the
// record again afterwards; it is only touched before the typing.
void CaptureCompleteLine(TerminalState *state, const char *line);
void CapturePendingPiece(TerminalState *state, const char *piece);
// text is the line's Shift-JIS.
void TypeIntoFocus(const char *text, BOOL caretToStart);
void ToggleUndoCapture(TerminalState *state);
