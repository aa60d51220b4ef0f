#include "textflow/undo_capture.h"

#include <cstring>

#include "core/dbcs_text.h"
#include "core/shift_jis.h"

static const char kUndoMarker = '\x1D';

// Each message to the focus window may wait this long. The window belongs to
// another application; one that stopped answering must not hold the terminal.
static const UINT kTypingTimeoutMs = 1000;

BOOL IsUndoText(const TerminalState *state, const char *text)
{
    return text[0] == kUndoMarker || state->undoCapturing;
}

// A marked line goes in at the start of the focused control; the text that
// continues it goes in right after what was typed before.
static void TypeUndoText(const char *text)
{
    BOOL marked = text[0] == kUndoMarker;
    TypeIntoFocus(marked ? text + 1 : text, marked);
}

void CaptureCompleteLine(TerminalState *state, const char *line)
{
    state->undoCapturing = 0;
    TypeUndoText(line);
}

void CapturePendingPiece(TerminalState *state, const char *piece)
{
    state->undoCapturing = 1;
    TypeUndoText(piece);
}

// SMTO_BLOCK keeps this thread from handling other sent messages while it
// waits, so nothing can re-enter the receive path or destroy the window
// under the chunk being typed.
static void SendToFocus(HWND focus, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(focus, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                        kTypingTimeoutMs, &result);
}

// The text goes in as UTF-16, in slices of whole characters, each after the
// one before. An empty replacement would only delete whatever the other
// application's user has selected, so none is sent.
static void TypeIntoWindow(HWND focus, const char *text, BOOL caretToStart)
{
    if (caretToStart)
        SendToFocus(focus, EM_SETSEL, 0, 0);
    wchar_t slice[1024];
    for (std::size_t length = std::strlen(text); length > 0;) {
        std::size_t bytes = WholeCharactersWithin(text, length, sizeof slice / sizeof slice[0] - 1);
        slice[ShiftJisToWide(text, bytes, slice)] = L'\0';
        SendToFocus(focus, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(slice));
        text += bytes;
        length -= bytes;
    }
}

// The focus window of the foreground application, read from its thread's
// input state. Attaching to that thread's input and asking GetFocus would
// give the same answer, but it couples this thread to an application that
// may be hung, and some platforms lose track of the foreground window once
// the threads part again, so the next line would find no target.
static HWND ForegroundFocus()
{
    HWND foreground = GetForegroundWindow();
    if (!foreground)
        return NULL;
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(foreground, NULL), &info))
        return NULL;
    return info.hwndFocus;
}

void TypeIntoFocus(const char *text, BOOL caretToStart)
{
    HWND focus = ForegroundFocus();
    if (text && focus && IsWindow(focus))
        TypeIntoWindow(focus, text, caretToStart);
}

void ToggleUndoCapture(TerminalState *state)
{
    if (!state)
        return;
    state->undoCapturing = 0;
    state->enableUndo = state->enableUndo ? 0 : 1;
}
