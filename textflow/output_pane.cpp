#include "textflow/output_pane.h"

#include <cstring>

#include "core/dbcs_text.h"
#include "core/global_block.h"
#include "core/shift_jis.h"
#include "core/terminal_state.h"
#include "serial/serial_port.h"
#include "textflow/daily_log.h"
#include "textflow/line_feeds.h"
#include "textflow/undo_capture.h"

static const LRESULT kTrimAboveLines = 220;
static const LRESULT kLinesKept = 200;

// A poll normally reads one chunk. A port that held more than a chunk (the
// window was busy for a while) is fetched in the same tick, or the line would
// run at the poll's pace instead of its own; the bound keeps a flooding line
// from starving the window's other messages.
static const int kMaxChunksPerTick = 2;

static void Insert(HWND pane, const wchar_t *text)
{
    SendMessageW(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

// Cuts a pane that has grown past its limit back to its last lines; their
// text went to the daily log when it was shown. TRUE when it cut.
static BOOL TrimOutputPane(HWND pane)
{
    LRESULT count = SendMessageW(pane, EM_GETLINECOUNT, 0, 0);
    if (count <= kTrimAboveLines)
        return FALSE;
    SendMessageW(pane, WM_SETREDRAW, FALSE, 0);
    LRESULT start = SendMessageW(pane, EM_LINEINDEX, 0, 0);
    LRESULT end = SendMessageW(pane, EM_LINEINDEX, count - kLinesKept, 0);
    SendMessageW(pane, EM_SETSEL, start, end);
    SendMessageW(pane, WM_CLEAR, 0, 0);
    SendMessageW(pane, WM_SETREDRAW, TRUE, 0);
    return TRUE;
}

void PutCaretAtEnd(HWND pane)
{
    WPARAM end = static_cast<WPARAM>(GetWindowTextLengthW(pane));
    SendMessageW(pane, EM_SETSEL, end, static_cast<LPARAM>(end));
}

// Room for a whole chunk in the pane's form, even when every byte is a
// carriage return that ends a line with two.
static const std::size_t kPendingRoom = 2 * kReceiveBufferSize;

// Shown text waiting to go into the pane, and the same in the daily log's
// form: the bytes as they came, each line ended by CR LF. Every replacement
// makes the edit control lay the text out and repaint it again, which on a
// busy line of short lines costs far more than the text itself, and every
// log write opens and closes the file: a chunk's shown lines go in with one
// replacement and one write, split only where a captured line goes
// elsewhere. A byte gives at most one character, so the bytes fill first.
struct PendingText {
    HWND pane;
    SYSTEMTIME arrived;
    std::size_t length;
    std::size_t byteCount;
    wchar_t text[kPendingRoom + 1];
    char bytes[kPendingRoom];
};

// The log first: what the screen shows is already in the file, should the
// process be ended the moment after.
static void Flush(PendingText &pending)
{
    if (pending.byteCount == 0)
        return;
    WriteDailyLog(GetParent(pending.pane), pending.bytes, static_cast<DWORD>(pending.byteCount), pending.arrived);
    pending.text[pending.length] = L'\0';
    pending.length = 0;
    pending.byteCount = 0;
    Insert(pending.pane, pending.text);
}

// Each line is converted on its own: a lead byte that lost its second byte
// must not take the line break after it along. A text longer than the room
// left goes in slices of whole characters.
static void Show(PendingText &pending, const char *text, std::size_t length)
{
    while (length > 0) {
        std::size_t slice = WholeCharactersWithin(text, length, kPendingRoom - pending.byteCount);
        if (slice == 0) {
            Flush(pending);
            continue;
        }
        std::memcpy(pending.bytes + pending.byteCount, text, slice);
        pending.byteCount += slice;
        pending.length += ShiftJisToWide(text, slice, pending.text + pending.length);
        text += slice;
        length -= slice;
    }
}

static void EndLine(PendingText &pending)
{
    if (pending.byteCount + 2 > kPendingRoom)
        Flush(pending);
    pending.bytes[pending.byteCount++] = '\r';
    pending.bytes[pending.byteCount++] = '\n';
    pending.text[pending.length++] = L'\r';
    pending.text[pending.length++] = L'\n';
}

// Shows the complete lines of the text, each ended by its carriage return,
// unless undo capture takes them. Returns the pending piece after the last
// carriage return, or NULL when typing a captured line let the window go.
static char *PutCompleteLines(PendingText &pending, TerminalState *state, char *text)
{
    char *line = text;
    for (char *end = std::strchr(line, '\r'); end; end = std::strchr(line, '\r')) {
        *end = '\0';
        if (state && state->enableUndo && IsUndoText(state, line)) {
            Flush(pending);
            CaptureCompleteLine(state, line);
            state = GetParentTerminalState(pending.pane);
            if (!state)
                return NULL;
        } else {
            Show(pending, line, static_cast<std::size_t>(end - line));
            EndLine(pending);
        }
        line = end + 1;
    }
    return line;
}

// state is the record for received text, which undo capture may take, and
// NULL for echo and DDE text; carry is the lead-byte slot in it, or NULL
// when a lead byte that ends the text is shown as it stands.
static void PutText(HWND outputPane, TerminalState *state, char *text, char *carry, const SYSTEMTIME &arrived)
{
    BOOL trimmed = TrimOutputPane(outputPane);
    PutCaretAtEnd(outputPane);
    RemoveLineFeeds(text);
    PendingText pending;
    pending.pane = outputPane;
    pending.arrived = arrived;
    pending.length = 0;
    pending.byteCount = 0;
    char *piece = PutCompleteLines(pending, state, text);
    if (!piece)
        return;
    // Still the same record: PutCompleteLines returns NULL once it is gone.
    if (carry)
        *carry = TakeTrailingLeadByte(piece);
    if (piece[0] != '\0' && state && state->enableUndo && IsUndoText(state, piece)) {
        Flush(pending);
        CapturePendingPiece(state, piece);
    } else {
        Show(pending, piece, std::strlen(piece));
        Flush(pending);
    }
    if (trimmed)
        InvalidateRect(outputPane, NULL, TRUE);
}

void AppendOutputAt(HWND outputPane, char *text, char *carry, const SYSTEMTIME &arrived)
{
    if (!outputPane || !text)
        return;
    // Only received text comes with a carry slot, and only it has a record
    // here; the slot lives in that record.
    TerminalState *state = carry ? GetParentTerminalState(outputPane) : NULL;
    if (carry && !state)
        return;
    PutText(outputPane, state, text, carry, arrived);
}

static SYSTEMTIME LocalNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

void AppendOutput(HWND outputPane, char *text, char *carry)
{
    AppendOutputAt(outputPane, text, carry, LocalNow());
}

void ShowHeldLeadByte(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->leadByteCarry)
        return;
    char lone[] = {state->leadByteCarry, '\0'};
    state->leadByteCarry = 0;
    PutText(state->outputEdit, state, lone, NULL, LocalNow());
}

// Reads until the port is empty or the room is taken: a driver hands out no
// more than its input queue at a time. The count of bytes kept.
static DWORD ReadWaitingBytes(HWND mainWindow, char *bytes, DWORD room)
{
    DWORD total = 0;
    DWORD read = 0;
    while (total < room && ReadPort(mainWindow, bytes + total, room - total, &read) && read > 0)
        total += read;
    return total;
}

// Fills one chunk, a carried lead byte first, and shows it. TRUE when the
// chunk is full, so the port may hold more.
static BOOL ReceiveChunk(HWND mainWindow, UINT_PTR timerId)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !timerId || timerId != state->timerId || !IsPortOpen(mainWindow))
        return FALSE;
    LockedBlock buffer(state->receiveBuffer);
    char *chunk = buffer.bytes();
    if (!chunk)
        return FALSE;
    DWORD carried = state->leadByteCarry ? 1 : 0;
    chunk[0] = state->leadByteCarry;
    DWORD room = state->receiveBufferSize - 1 - carried;
    DWORD received = ReadWaitingBytes(mainWindow, chunk + carried, room);
    // A read that failed may have let the port go; what came before it is
    // shown all the same.
    if (received == 0)
        return FALSE;
    AppendOutput(state->outputEdit, chunk, &state->leadByteCarry);
    if (!GetTerminalState(mainWindow)) {
        buffer.Abandon();
        return FALSE;
    }
    return received == room;
}

void PollReceive(HWND mainWindow, UINT_PTR timerId)
{
    for (int chunk = 0; chunk < kMaxChunksPerTick; ++chunk) {
        if (!ReceiveChunk(mainWindow, timerId))
            return;
    }
}
