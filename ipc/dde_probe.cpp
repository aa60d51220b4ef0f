#include "ipc/dde_probe.h"

#include <dde.h>

#include "core/message_box.h"
#include "core/program_identity.h"
#include "ipc/dde_wait.h"
#include "resources/resource_ids.h"
#include "serial/serial_port.h"

static const DWORD kPartnerAnswerTimeoutMs = 10000;

// Asks every top-level window, a window at a time, whether it serves the
// name. A window whose thread has stopped pumping costs the send time-out
// (twice under Wine, whose hung test needs five quiet seconds) and no more.
static void BroadcastInitiate(HWND mainWindow, ATOM service, ATOM topic)
{
    // An initiate is sent, not posted, so its atoms travel unpacked.
    SendMessageTimeoutW(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(mainWindow),
                        MAKELPARAM(service, topic), SMTO_ABORTIFHUNG, kDdeSendTimeoutMs, NULL);
}

static BOOL IsWaitingForPartner(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    return state && state->ddeServer.probeState == kDdeTerminating;
}

// Ends the probe's conversation with the server that answered first.
static void EndProbeConversation(HWND mainWindow, DdeServerState *server)
{
    server->probeState = kDdeTerminating;
    if (!PostMessageW(server->probePartner, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(mainWindow), 0))
        return;
    DWORD start = GetTickCount();
    while (IsWaitingForPartner(mainWindow)) {
        DWORD remaining = RemainingMs(start, kPartnerAnswerTimeoutMs);
        if (!remaining || !DispatchNextMessage(remaining)) {
            TerminalState *state = GetTerminalState(mainWindow);
            if (state)
                state->ddeServer.probeState = kDdeConnected;
            return;
        }
    }
}

int ProbeDuplicateService(HWND mainWindow, DdeServerState *server)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || &state->ddeServer != server)
        return 0;
    // Without both atoms there is nothing to ask: a zero atom would be the
    // wildcard and reach every server of every name.
    ATOM service = GlobalAddAtomW(server->serviceName);
    ATOM topic = GlobalAddAtomW(kDdeTopicName);
    if (service && topic) {
        server->probePartner = NULL;
        server->probing = 1;
        server->probeState = kDdeInitiated;
        BroadcastInitiate(mainWindow, service, topic);
    }
    if (service)
        GlobalDeleteAtom(service);
    if (topic)
        GlobalDeleteAtom(topic);
    state = GetTerminalState(mainWindow);
    if (!state)
        return 0;
    int found = state->ddeServer.probeState == kDdeConnected;
    if (found)
        EndProbeConversation(mainWindow, &state->ddeServer);
    state = GetTerminalState(mainWindow);
    if (state)
        state->ddeServer.probing = 0;
    return found;
}

// An answer to the probe's initiate: the first server becomes the partner;
// any other is told at once that its conversation is over, so no server keeps
// a conversation with this window.
static void TakeProbeAnswer(DdeServerState *server, HWND answering)
{
    if (server->probeState == kDdeInitiated) {
        server->probeState = kDdeConnected;
        server->probePartner = answering;
    } else if (answering != server->probePartner) {
        PostMessageW(answering, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(server->owner), 0);
    }
}

// Every acknowledgement that reaches this window is its own to release, also
// one that comes after the probe. An answer to an initiate is sent and
// carries two atoms: during the broadcast only sent messages are handled, and
// afterwards a late answer still comes as a send. Any other acknowledgement
// is posted with a packed parameter; this window posts nothing that is
// acknowledged, so it is a stray, and only its packing is ours.
void HandleDdeAck(HWND mainWindow, WPARAM wParam, LPARAM lParam)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    DdeServerState *server = &state->ddeServer;
    BOOL inBroadcast = server->probing && (server->probeState == kDdeInitiated || server->probeState == kDdeConnected);
    if (!inBroadcast && !InSendMessage()) {
        FreeDDElParam(WM_DDE_ACK, lParam);
        return;
    }
    if (server->probing)
        TakeProbeAnswer(server, reinterpret_cast<HWND>(wParam));
    GlobalDeleteAtom(LOWORD(lParam));
    GlobalDeleteAtom(HIWORD(lParam));
}

// Only the partner's terminate counts: the other servers' answers to their
// terminates must not end the wait for the partner's.
void HandleProbeTerminate(HWND mainWindow, HWND sender)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || sender != state->ddeServer.probePartner)
        return;
    DdeServerState *server = &state->ddeServer;
    if (server->probeState == kDdeConnected)
        PostMessageW(sender, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(mainWindow), 0);
    else if (server->probeState != kDdeTerminating)
        return;
    server->probeState = kDdeFree;
    server->probePartner = NULL;
}

void ShowDuplicateServiceNotice(HWND mainWindow)
{
    if (!GetTerminalState(mainWindow))
        return;
    ShowMessage(mainWindow, IDS_DUPLICATE_SERVICE, MB_ICONERROR);
    // A terminal that started on its saved port keeps it.
    if (GetTerminalState(mainWindow) && !IsPortInUse(mainWindow))
        PostMessageW(mainWindow, WM_COMMAND, IDM_CONNECT, 0);
}
