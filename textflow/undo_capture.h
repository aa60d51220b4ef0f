// Host lines that begin with 0x1D are typed into the foreground application.
#pragma once

#include "core/terminal_state.h"

// TRUE when capture takes the text: it begins with the marker, or a marked
// line begun in an earlier chunk is still open.
BOOL IsUndoText(const TerminalState *state, const char *text);
// Return TRUE when the text was taken and must not be shown. Taking it types
// into another application, so the caller fetches the record again after a
// TRUE: the record is only touched before the typing.
BOOL CaptureCompleteLine(TerminalState *state, char *line);
BOOL CapturePendingPiece(TerminalState *state, char *piece);
void TypeIntoFocus(const char *text, BOOL caretToStart);
void ToggleUndoCapture(TerminalState *state);
