#include "ipc/ims_link.h"

#include <optional>

#include "core/program_identity.h"
#include "core/terminal_state.h"
#include "ipc/ims_codes.h"

namespace {

// A server or any other top-level window that stops answering must not freeze
// the terminal: every send gives up after this long. The discovery broadcast
// waits this long for each window, and a stalled process owns two top-level
// windows under Wine (its own and its IME window), so the limit is kept well
// under half a second.
const UINT kImsReplyTimeoutMs = 200;

std::optional<DWORD_PTR> SendImsCode(HWND target, UINT message, WPARAM code, LPARAM window)
{
    DWORD_PTR reply = 0;
    if (!SendMessageTimeoutW(target, message, code, window, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                             kImsReplyTimeoutMs, &reply))
        return std::nullopt;
    return reply;
}

// Only the low 32 bits of a window handle are significant, and a 32-bit
// server hands its replies back through a 32-bit result.
bool IsSameWindow(DWORD_PTR reply, HWND window)
{
    return static_cast<DWORD>(reply) == static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window));
}

std::optional<DWORD_PTR> AskTarget(HWND server, UINT message)
{
    return SendImsCode(server, message, kImsGetTarget, 0);
}

// A server that does not answer in time is taken to target nothing of ours.
bool ServerTargetsInputLine(HWND server, UINT message, HWND inputEdit)
{
    const std::optional<DWORD_PTR> target = AskTarget(server, message);
    return target && IsSameWindow(*target, inputEdit);
}

// A server that is slow to answer still targets the input line as far as
// anyone knows: forgetting it would leave it typing into the line, never
// released, and the next tick asks again.
bool ServerTargetsOtherWindow(HWND server, UINT message, HWND inputEdit)
{
    const std::optional<DWORD_PTR> target = AskTarget(server, message);
    return target && !IsSameWindow(*target, inputEdit);
}

// Only a server that really answered "no target" is free: linking one that
// did not answer would leave it, once it wakes, targeting an input line the
// next check has already forgotten, with nobody left to release it.
bool ServerIsFree(HWND server, UINT message)
{
    const std::optional<DWORD_PTR> target = AskTarget(server, message);
    return target && *target == 0;
}

void PostDiscovery(HWND mainWindow)
{
    PostMessageW(mainWindow, kImsDiscoverMessage, 0, 0);
}

// Runs nested inside the terminal's own broadcast. While one offer is being
// accepted its sends let others in: an offer then is not accepted too (two
// servers would target the input line, one never released), and the
// discovery flag stays set so that no second discovery starts inside this
// one. An offer must name a window: HWND_BROADCAST there would turn the
// question and the new target into broadcasts to every server.
void AcceptOffer(HWND mainWindow, HWND server)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->imsEnabled || !state->imsDiscovering || state->imsAccepting || state->imsServer ||
        !IsWindow(server))
        return;
    if (InSendMessage())
        ReplyMessage(0);
    state->imsAccepting = 1;
    const UINT message = state->imsMessage;
    const HWND inputEdit = state->inputEdit;
    const bool serverIsFree = ServerIsFree(server, message);
    if (serverIsFree)
        SendImsCode(server, message, kImsSetTarget, reinterpret_cast<LPARAM>(inputEdit));
    state = GetTerminalState(mainWindow);
    if (!state)
        return;
    state->imsAccepting = 0;
    if (!serverIsFree)
        return;
    state->imsServer = server;
    // Switched off while the server was being asked: it has been told to
    // target the input line all the same, so it is released at once.
    if (!state->imsEnabled)
        ReleaseImsLink(mainWindow);
}

void AnswerAnnouncement(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (state && state->imsEnabled && !state->imsServer)
        PostDiscovery(mainWindow);
}

void ForgetWithdrawnServer(HWND mainWindow, HWND server)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (state && state->imsServer && state->imsServer == server)
        state->imsServer = NULL;
}

}  // namespace

void StartImsDiscovery(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    // A discovery already in progress (a WM_APP+1 sent from outside during
    // its broadcast or while it accepts an offer) keeps going alone; a second
    // one inside it could link a second server that nobody releases.
    if (!state || !state->imsEnabled || state->imsDiscovering)
        return;
    state->imsDiscovering = 1;
    const UINT message = state->imsMessage;
    SendImsCode(HWND_BROADCAST, message, kImsDiscover, reinterpret_cast<LPARAM>(mainWindow));
    state = GetTerminalState(mainWindow);
    if (!state)
        return;
    state->imsDiscovering = 0;
    if (state->imsServer && IsWindow(state->imsServer))
        SendImsCode(state->imsServer, message, kImsLinked, 0);
}

void HandleImsMessage(HWND mainWindow, WPARAM code, LPARAM window)
{
    switch (code) {
    case kImsAnnounce:
        AnswerAnnouncement(mainWindow);
        break;
    case kImsWithdraw:
        ForgetWithdrawnServer(mainWindow, reinterpret_cast<HWND>(window));
        break;
    case kImsOffer:
        AcceptOffer(mainWindow, reinterpret_cast<HWND>(window));
        break;
    }
}

void CheckImsLink(HWND mainWindow, UINT_PTR timerId)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->timerId || timerId != state->timerId || !state->imsEnabled)
        return;
    const HWND server = state->imsServer;
    if (!server)
        return;
    const bool lost = !IsWindow(server) || ServerTargetsOtherWindow(server, state->imsMessage, state->inputEdit);
    state = GetTerminalState(mainWindow);
    if (state && lost && state->imsServer == server)
        state->imsServer = NULL;
}

void ReleaseImsLink(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    const HWND server = state->imsServer;
    // The link is over whatever the server answers, and a withdrawal arriving
    // during the sends must find nothing left to forget.
    state->imsServer = NULL;
    if (!server || !IsWindow(server))
        return;
    const UINT message = state->imsMessage;
    if (ServerTargetsInputLine(server, message, state->inputEdit))
        SendImsCode(server, message, kImsSetTarget, 0);
}

void ToggleImsLink(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    state->imsEnabled = state->imsEnabled ? 0 : 1;
    if (state->imsEnabled)
        PostDiscovery(mainWindow);
    else
        ReleaseImsLink(mainWindow);
}
