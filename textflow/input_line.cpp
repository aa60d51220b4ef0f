#include "textflow/input_line.h"

#include <cstring>

#include "core/global_block.h"
#include "core/shift_jis.h"
#include "core/terminal_state.h"
#include "serial/serial_port.h"
#include "textflow/line_feeds.h"
#include "textflow/local_echo.h"
#include "textflow/send_part.h"

// Room after the part in Shift-JIS for the carriage return and the terminator.
static const DWORD kLineEndRoom = 2;

static bool IsShiftDown()
{
    return GetKeyState(VK_SHIFT) < 0;
}

// The part of the line that Enter sends, within the text just copied.
static SendPart ReadSendPart(HWND input, std::size_t length)
{
    DWORD selectionStart = 0;
    DWORD selectionEnd = 0;
    SendMessageW(input, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart),
                 reinterpret_cast<LPARAM>(&selectionEnd));
    return ChooseSendPart(selectionStart, selectionEnd, length);
}

static std::size_t CopyLineText(HWND input, wchar_t *buffer, DWORD size)
{
    int copied = GetWindowTextW(input, buffer, static_cast<int>(size));
    return copied > 0 ? static_cast<std::size_t>(copied) : 0;
}

// Grows the send buffer to hold the line as it is now and, after it, a part
// of it in Shift-JIS with its line end; FALSE when memory is short.
static BOOL FitLine(HWND input, TerminalState *state, DWORD *length)
{
    *length = static_cast<DWORD>(GetWindowTextLengthW(input));
    return FitTextAndShiftJis(&state->sendBuffer, &state->sendBufferSize, *length, kLineEndRoom);
}

// How many characters of the part, from its start, went out whole within
// the first sent bytes of its Shift-JIS form.
static std::size_t CharactersSent(const wchar_t *part, std::size_t length, DWORD sent)
{
    std::size_t characters = 0;
    DWORD bytes = 0;
    while (characters < length) {
        bool pair = IS_HIGH_SURROGATE(part[characters]) && characters + 1 < length &&
                    IS_LOW_SURROGATE(part[characters + 1]);
        std::size_t units = pair ? 2 : 1;
        char form[4];
        bytes += static_cast<DWORD>(WideToShiftJis(part + characters, units, form));
        if (bytes > sent)
            break;
        characters += units;
    }
    return characters;
}

// Writes the part of the line before the caret, or the selection, with a
// carriage return, and echoes what of it went out. FALSE when there was
// nothing to send from or the window went away during the write; otherwise
// *charactersSent tells how many of the part's characters went out whole.
static BOOL WriteLinePart(HWND input, HWND mainWindow, TerminalState *state, SendPart *part,
                          std::size_t *charactersSent)
{
    DWORD length = 0;
    if (!FitLine(input, state, &length))
        return FALSE;
    LockedBlock buffer(state->sendBuffer);
    auto *text = reinterpret_cast<wchar_t *>(buffer.bytes());
    if (!text)
        return FALSE;
    std::size_t copied = CopyLineText(input, text, length + 1);
    *part = ReadSendPart(input, copied);
    char *bytes = reinterpret_cast<char *>(text + copied + 1);
    std::size_t count = WideToShiftJis(text + part->start, part->end - part->start, bytes);
    bytes[count] = '\r';
    bytes[count + 1] = '\0';
    DWORD sent = 0;
    WritePort(mainWindow, bytes, static_cast<DWORD>(count + 1), &sent);
    if (!GetTerminalState(mainWindow)) {
        buffer.Abandon();
        return FALSE;
    }
    std::size_t characters = part->end - part->start;
    *charactersSent = sent > count ? characters : CharactersSent(text + part->start, characters, sent);
    EchoSent(mainWindow, bytes, sent);
    return TRUE;
}

// Cuts what went out from the line as it is now: what was typed while a
// failed write's box was open stays. What of the part did not go out stays
// before the caret, or selected, for the next Enter to send.
static void CutFromLine(HWND input, TerminalState *state, SendPart part, std::size_t charactersSent)
{
    DWORD length = 0;
    if (!FitLine(input, state, &length))
        return;
    LockedBlock buffer(state->sendBuffer);
    auto *text = reinterpret_cast<wchar_t *>(buffer.bytes());
    if (!text)
        return;
    CutSendPart(text, CopyLineText(input, text, length + 1), {part.start, part.start + charactersSent});
    SetWindowTextW(input, text);
    std::size_t rest = part.end - charactersSent;
    if (rest > part.start)
        SendMessageW(input, EM_SETSEL, part.start ? part.start : rest, rest);
}

// With no port open nothing can go out: the operator hears so, and the text
// stays where it was rather than being shown as sent. A port waited for
// fails the send with its box instead.
static BOOL IsReadyToSend(HWND mainWindow)
{
    if (IsPortInUse(mainWindow))
        return TRUE;
    MessageBeep(MB_OK);
    return FALSE;
}

// Enter sends the part of the line before the caret, or the selection, and
// cuts from the line what of it went out: a write that fails keeps the rest,
// and a write that sends nothing keeps the line as it was.
static void SendInputLine(HWND input)
{
    HWND mainWindow = GetParent(input);
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || (state->shiftLock && !IsShiftDown()) || !IsReadyToSend(mainWindow))
        return;
    // A send whose write failed is still waiting in its message box with the
    // buffer locked; an Enter that another program sends meanwhile must not
    // move the buffer under it.
    if (IsBlockLocked(state->sendBuffer))
        return;
    SendPart part = {};
    std::size_t charactersSent = 0;
    if (WriteLinePart(input, mainWindow, state, &part, &charactersSent) && charactersSent > 0)
        CutFromLine(input, GetTerminalState(mainWindow), part, charactersSent);
}

LRESULT CALLBACK InputLineProc(HWND input, UINT message, WPARAM wParam, LPARAM lParam)
{
    TerminalState *state = GetParentTerminalState(input);
    if (!state || !state->inputOldProc)
        return DefWindowProcW(input, message, wParam, lParam);
    if (message == WM_CHAR && wParam == '\r') {
        SendInputLine(input);
        return 0;
    }
    // The output pane never has the focus, so the input line passes it the
    // paging keys.
    bool pagingKey = wParam == VK_PRIOR || wParam == VK_NEXT;
    if ((message == WM_KEYDOWN || message == WM_KEYUP) && pagingKey) {
        PostMessageW(state->outputEdit, message, wParam, lParam);
        return 0;
    }
    return CallWindowProcW(state->inputOldProc, input, message, wParam, lParam);
}

void SendClipboardText(HWND mainWindow)
{
    if (!GetTerminalState(mainWindow) || !IsReadyToSend(mainWindow) || !IsClipboardFormatAvailable(CF_UNICODETEXT) ||
        !OpenClipboard(mainWindow))
        return;
    char *copy = CopyForeignString(GetClipboardData(CF_UNICODETEXT), TRUE);
    CloseClipboard();
    if (!copy)
        return;
    RemoveLineFeeds(copy);
    DWORD sent = 0;
    WritePort(mainWindow, copy, static_cast<DWORD>(std::strlen(copy)), &sent);
    EchoSent(mainWindow, copy, sent);
    GlobalFree(copy);
}
