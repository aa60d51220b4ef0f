#include "ipc/dde_server.h"

#include <dde.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/global_block.h"
#include "core/program_identity.h"
#include "ipc/dde_probe.h"
#include "ipc/dde_wait.h"
#include "ipc/send_command.h"
#include "serial/serial_port.h"
#include "textflow/line_feeds.h"
#include "textflow/local_echo.h"

static const LONG kTableGrowth = 10;
static const WORD kPositiveAck = 0x8000;
// A client that never answers the terminate, or never sees it, costs at most
// this much of the shutdown; all of them together at most the caller's limit.
static const DWORD kTerminateAnswerTimeoutMs = 3000;

// A private copy of a client's command string, in Shift-JIS, freed on every
// path.
class CommandCopy {
public:
    CommandCopy(HGLOBAL block, BOOL utf16) : text_(CopyForeignString(block, utf16)) {}
    ~CommandCopy()
    {
        if (text_)
            GlobalFree(text_);
    }
    CommandCopy(const CommandCopy &) = delete;
    CommandCopy &operator=(const CommandCopy &) = delete;
    char *Text() const { return text_; }

private:
    char *text_;
};

void InitDdeServer(DdeServerState *server, HWND owner, const wchar_t *serviceName)
{
    ZeroMemory(server, sizeof *server);
    server->owner = owner;
    if (serviceName)
        lstrcpynW(server->serviceName, serviceName, MAX_PATH);
}

static DdeConversation *LockTable(DdeServerState *server)
{
    if (!server->entries && server->storage)
        server->entries = static_cast<DdeConversation *>(GlobalLock(server->storage));
    return server->entries;
}

static void UnlockTable(DdeServerState *server)
{
    if (server->entries && server->storage)
        GlobalUnlock(server->storage);
    server->entries = NULL;
}

// Leaves the table locked, found or not.
static DdeConversation *FindConversation(DdeServerState *server, HWND client)
{
    DdeConversation *entries = LockTable(server);
    for (LONG i = 0; entries && i < server->count; ++i) {
        if (entries[i].client == client)
            return &entries[i];
    }
    return NULL;
}

static BOOL GrowTable(DdeServerState *server)
{
    if (server->capacity > LONG_MAX / static_cast<LONG>(sizeof(DdeConversation)) - kTableGrowth)
        return FALSE;
    SIZE_T bytes = static_cast<SIZE_T>(server->capacity + kTableGrowth) * sizeof(DdeConversation);
    UnlockTable(server);
    HGLOBAL grown = server->storage ? GlobalReAlloc(server->storage, bytes, GMEM_MOVEABLE | GMEM_ZEROINIT)
                                    : GlobalAlloc(GHND, bytes);
    if (grown) {
        server->storage = grown;
        server->capacity += kTableGrowth;
    }
    return LockTable(server) != NULL && grown != NULL;
}

// Makes sure one more conversation fits, so that no client is answered for a
// conversation the table could not hold. Leaves the table locked.
static BOOL ReserveConversation(DdeServerState *server)
{
    if (server->count < server->capacity && LockTable(server))
        return TRUE;
    return GrowTable(server);
}

static BOOL AddConversation(DdeServerState *server, HWND client)
{
    if (!ReserveConversation(server))
        return FALSE;
    server->entries[server->count].client = client;
    server->entries[server->count].state = kDdeConnected;
    ++server->count;
    return TRUE;
}

// Removes free entries, keeping the others in the order they were made.
// Leaves the table locked.
static void CompactTable(DdeServerState *server)
{
    DdeConversation *entries = LockTable(server);
    LONG kept = 0;
    for (LONG i = 0; entries && i < server->count; ++i) {
        if (entries[i].client || entries[i].state != kDdeFree)
            entries[kept++] = entries[i];
    }
    for (LONG i = kept; entries && i < server->count; ++i)
        entries[i] = DdeConversation{};
    if (entries)
        server->count = kept;
}

static void ClearConversation(DdeConversation *conversation)
{
    conversation->client = NULL;
    conversation->state = kDdeFree;
}

// A client that died without a terminate leaves its entry behind: it must not
// hold a place for the rest of the run, nor refuse a new window that is given
// the same handle. Leaves the table locked.
static void DropVanishedClients(DdeServerState *server)
{
    DdeConversation *entries = LockTable(server);
    for (LONG i = 0; entries && i < server->count; ++i) {
        if (entries[i].client && !IsWindow(entries[i].client))
            ClearConversation(&entries[i]);
    }
    CompactTable(server);
}

static BOOL ReadAtomName(ATOM atom, wchar_t (&name)[MAX_PATH])
{
    return atom && GlobalGetAtomNameW(atom, name, MAX_PATH) > 0;
}

// Answers an initiate with new atoms spelled as the client wrote them. Per the
// DDE protocol the client deletes the atoms of the answer it receives; they are
// deleted here only when the answer never reached it. Returns whether it did.
// A send that times out while the client handles it has reached it; one to a
// client whose thread has stopped answering is given up at once with the same
// error and never reaches it, so such a client is not answered at all.
static BOOL AnswerInitiate(HWND mainWindow, HWND client, const wchar_t *service, const wchar_t *topic)
{
    ATOM serviceAtom = GlobalAddAtomW(service);
    ATOM topicAtom = GlobalAddAtomW(topic);
    BOOL delivered = FALSE;
    if (serviceAtom && topicAtom && !IsHungAppWindow(client)) {
        // An initiate's answer is sent, not posted, so its atoms travel unpacked.
        LPARAM atoms = MAKELPARAM(serviceAtom, topicAtom);
        delivered = SendMessageTimeoutW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(mainWindow), atoms,
                                        SMTO_ABORTIFHUNG, kDdeSendTimeoutMs, NULL) != 0 ||
                    GetLastError() == ERROR_TIMEOUT;
    }
    if (!delivered) {
        if (serviceAtom)
            GlobalDeleteAtom(serviceAtom);
        if (topicAtom)
            GlobalDeleteAtom(topicAtom);
    }
    return delivered;
}

// The client may have been answered twice meanwhile (a nested initiate while
// the answer was sent); one entry stands for both. If the table cannot take
// the conversation after all, the client is told it has ended.
static void RecordConversation(HWND mainWindow, HWND client)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    DdeServerState *server = &state->ddeServer;
    if (!FindConversation(server, client) && !AddConversation(server, client))
        PostMessageW(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(mainWindow), 0);
    UnlockTable(server);
}

// DDE names are compared without regard to case, the topic too: a global atom
// keeps the spelling of whoever added the name first, so while any program
// holds "COMMAND" every client's "Command" reads back that way.
static BOOL IsOurService(const DdeServerState *server, ATOM service, ATOM topic,
                         wchar_t (&serviceText)[MAX_PATH], wchar_t (&topicText)[MAX_PATH])
{
    return ReadAtomName(service, serviceText) && ReadAtomName(topic, topicText) &&
           lstrcmpiW(serviceText, server->serviceName) == 0 && lstrcmpiW(topicText, kDdeTopicName) == 0;
}

void HandleDdeInitiate(HWND mainWindow, HWND client, ATOM service, ATOM topic)
{
    TerminalState *state = GetTerminalState(mainWindow);
    // The probe's own broadcast reaches this window too; it must not answer itself.
    if (!state || state->ddeServer.probing || !IsWindow(client))
        return;
    DdeServerState *server = &state->ddeServer;
    wchar_t serviceText[MAX_PATH];
    wchar_t topicText[MAX_PATH];
    DropVanishedClients(server);
    BOOL busy = FindConversation(server, client) != NULL;
    BOOL answer = !busy && IsOurService(server, service, topic, serviceText, topicText) &&
                  ReserveConversation(server);
    UnlockTable(server);
    if (answer && AnswerInitiate(mainWindow, client, serviceText, topicText))
        RecordConversation(mainWindow, client);
}

static BOOL IsConnected(HWND mainWindow, HWND client)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return FALSE;
    const DdeConversation *conversation = FindConversation(&state->ddeServer, client);
    BOOL connected = conversation && conversation->state == kDdeConnected;
    UnlockTable(&state->ddeServer);
    return connected;
}

// Positive whatever the command turns out to be, and posted before it runs.
// A post that fails leaves the packed parameter with this side.
static void AcknowledgeExecute(HWND mainWindow, HWND client, HGLOBAL block)
{
    LPARAM ack = PackDDElParam(WM_DDE_ACK, kPositiveAck, reinterpret_cast<UINT_PTR>(block));
    if (ack && !PostMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(mainWindow), ack))
        FreeDDElParam(WM_DDE_ACK, ack);
}

// Writes a Send command's text to the line, without its line feeds and with
// nothing added; with no port open nothing goes out and nothing is shown as
// sent, while a port waited for fails the send with its box. Returns 1 for a
// Send command, whatever the write did.
static int RunDdeCommand(HWND mainWindow, char *command)
{
    SendCommandText found;
    if (!FindSendCommandText(command, strlen(command), &found))
        return 0;
    char *text = command + found.offset;
    text[found.length] = '\0';
    RemoveLineFeeds(text);
    DWORD length = static_cast<DWORD>(strlen(text));
    if (length == 0 || !IsPortInUse(mainWindow))
        return 1;
    DWORD sent = 0;
    WritePort(mainWindow, text, length, &sent);
    EchoSent(mainWindow, text, sent);
    return 1;
}

// A Unicode client's command arrives in UTF-16, an ANSI client's in its own
// bytes, Shift-JIS on the PCs this serves. Which of the two is handed over
// depends on the kinds of both windows and on who converts (the system, the
// DDE library, or nobody under Wine), so the string itself is asked: a
// command opens with "[", and a zero byte after it means UTF-16, the test
// the system itself applies before it converts.
static BOOL IsUtf16Command(HGLOBAL block)
{
    LockedBlock command(block);
    return command.bytes() && GlobalSize(block) >= 2 && command.bytes()[1] == '\0';
}

void HandleDdeExecute(HWND mainWindow, HWND client, LPARAM lParam)
{
    UINT_PTR unused = 0;
    UINT_PTR block = 0;
    if (!IsConnected(mainWindow, client) || !UnpackDDElParam(WM_DDE_EXECUTE, lParam, &unused, &block))
        return;
    // The block is the client's: it is only read, and its size bounds the
    // string whatever the string claims.
    HGLOBAL command = reinterpret_cast<HGLOBAL>(block);
    CommandCopy copy(command, IsUtf16Command(command));
    AcknowledgeExecute(mainWindow, client, command);
    if (copy.Text())
        RunDdeCommand(mainWindow, copy.Text());
}

void HandleDdeTerminate(HWND mainWindow, HWND sender)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    if (state->ddeServer.probing) {
        HandleProbeTerminate(mainWindow, sender);
        return;
    }
    DdeServerState *server = &state->ddeServer;
    DdeConversation *conversation = FindConversation(server, sender);
    if (conversation && conversation->state == kDdeTerminating) {
        // The answer to the terminate of the shutdown, which is waiting for it.
        ClearConversation(conversation);
    } else if (conversation && conversation->state == kDdeConnected) {
        PostMessageW(sender, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(mainWindow), 0);
        ClearConversation(conversation);
        CompactTable(server);
    }
    UnlockTable(server);
}

// The first conversation that the shutdown has not yet ended, by client window:
// while the shutdown waits, the table may grow, move or be compacted.
static HWND NextConnectedClient(DdeServerState *server)
{
    DdeConversation *entries = LockTable(server);
    for (LONG i = 0; entries && i < server->count; ++i) {
        if (entries[i].client && entries[i].state == kDdeConnected)
            return entries[i].client;
    }
    return NULL;
}

static BOOL IsStillTerminating(HWND mainWindow, HWND client)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return FALSE;
    const DdeConversation *conversation = FindConversation(&state->ddeServer, client);
    return conversation && conversation->state == kDdeTerminating;
}

// Waits for the client's terminate, dispatching everything meanwhile, until it
// comes, the client's window dies or the time is up.
static void WaitForTerminateAnswer(HWND mainWindow, HWND client, DWORD limitMs)
{
    DWORD start = GetTickCount();
    while (IsStillTerminating(mainWindow, client) && IsWindow(client)) {
        DWORD remaining = RemainingMs(start, limitMs);
        if (!remaining || !DispatchNextMessage(remaining))
            return;
    }
}

// Tells the client the conversation is over and, while time is left, waits
// for its answer. Answered, dead, silent or out of time, the entry is then free.
static void EndConversation(HWND mainWindow, HWND client, DWORD limitMs)
{
    TerminalState *state = GetTerminalState(mainWindow);
    DdeConversation *conversation = state ? FindConversation(&state->ddeServer, client) : NULL;
    if (!conversation)
        return;
    conversation->state = kDdeTerminating;
    BOOL posted = IsWindow(client) &&
                  PostMessageW(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(mainWindow), 0);
    if (posted && limitMs)
        WaitForTerminateAnswer(mainWindow, client, std::min(limitMs, kTerminateAnswerTimeoutMs));
    // A client that answered may already have begun a new conversation; only
    // the one this wait was for is cleared.
    state = GetTerminalState(mainWindow);
    conversation = state ? FindConversation(&state->ddeServer, client) : NULL;
    if (conversation && conversation->state == kDdeTerminating)
        ClearConversation(conversation);
}

void EndAllDdeConversations(HWND mainWindow, DWORD limitMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        TerminalState *state = GetTerminalState(mainWindow);
        if (!state)
            return;
        HWND client = NextConnectedClient(&state->ddeServer);
        if (!client) {
            CompactTable(&state->ddeServer);
            UnlockTable(&state->ddeServer);
            return;
        }
        EndConversation(mainWindow, client, RemainingMs(start, limitMs));
    }
}

void FreeDdeConversationTable(DdeServerState *server)
{
    UnlockTable(server);
    if (server->storage)
        GlobalFree(server->storage);
    server->storage = NULL;
    server->capacity = 0;
    server->count = 0;
}
