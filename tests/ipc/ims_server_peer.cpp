// A stand-in input monitor server for the link tests, run as its own process:
//   ims_server_peer.exe LOG_PATH
// It serves the registered link message as a real server would, writes what it
// receives to LOG_PATH and takes orders through its control message.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/program_identity.h"
#include "ipc/ims_codes.h"
#include "tests/ipc/ims_peer_control.h"

namespace {

// Long enough for any live terminal; only keeps a broken one from hanging the
// test run.
const UINT kSendTimeoutMs = 5000;

struct Peer {
    UINT imsMessage;
    UINT controlMessage;
    HANDLE log;
    HWND target;
    HWND terminal;
    unsigned offerMode;
    HWND discoverer;
    HWND otherServer;
    UINT pokeMessage;
    HWND pokeWindow;
};

Peer *GetPeer(HWND window)
{
    return reinterpret_cast<Peer *>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

unsigned long long HandleValue(HWND window)
{
    return reinterpret_cast<UINT_PTR>(window);
}

void Log(const Peer &peer, const char *event, unsigned long long value)
{
    char line[96];
    int length = std::snprintf(line, sizeof line, "%lu %s %llx\r\n", GetTickCount(), event, value);
    DWORD written = 0;
    if (length > 0)
        WriteFile(peer.log, line, static_cast<DWORD>(length), &written, NULL);
}

unsigned long long SendToTerminal(HWND destination, const Peer &peer, WPARAM code, HWND window)
{
    DWORD_PTR reply = 0;
    if (!SendMessageTimeoutA(destination, peer.imsMessage, code, reinterpret_cast<LPARAM>(window),
                             SMTO_NORMAL, kSendTimeoutMs, &reply))
        return kPeerNoReply;
    return reply;
}

// An order aimed at no terminal goes to every top-level window; it is posted
// so that no window anywhere can hold the server up.
unsigned long long Tell(const Peer &peer, WPARAM code, HWND window)
{
    if (peer.terminal)
        return SendToTerminal(peer.terminal, peer, code, window);
    PostMessageA(HWND_BROADCAST, peer.imsMessage, code, reinterpret_cast<LPARAM>(window));
    return 0;
}

void Offer(HWND self, const Peer &peer, HWND terminal)
{
    switch (peer.offerMode) {
    case kOfferBySend:
    case kOfferThenHang: {
        unsigned long long reply = SendToTerminal(terminal, peer, kImsOffer, self);
        if (reply == kPeerNoReply)
            Log(peer, kPeerLogOfferFailed, 0);
        else
            Log(peer, kPeerLogOffer, reply);
        if (peer.offerMode == kOfferThenHang)
            Sleep(INFINITE);
        break;
    }
    case kOfferByPost:
        PostMessageA(terminal, peer.imsMessage, kImsOffer, reinterpret_cast<LPARAM>(self));
        break;
    }
}

// What the test asked to happen while a terminal waits for the answer.
void ActBeforeAnswering(Peer *peer)
{
    HWND other = peer->otherServer;
    peer->otherServer = NULL;
    if (other && peer->discoverer)
        SendToTerminal(peer->discoverer, *peer, kImsOffer, other);
    HWND poked = peer->pokeWindow;
    peer->pokeWindow = NULL;
    DWORD_PTR ignored = 0;
    if (poked)
        SendMessageTimeoutA(poked, peer->pokeMessage, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &ignored);
}

LRESULT ServeLinkMessage(HWND self, Peer *peer, WPARAM code, LPARAM window)
{
    HWND named = reinterpret_cast<HWND>(window);
    switch (code) {
    case kImsDiscover:
        Log(*peer, kPeerLogDiscover, HandleValue(named));
        peer->discoverer = named;
        Offer(self, *peer, named);
        return 0;
    case kImsGetTarget:
        ActBeforeAnswering(peer);
        Log(*peer, kPeerLogGet, HandleValue(peer->target));
        return reinterpret_cast<LRESULT>(peer->target);
    case kImsSetTarget:
        Log(*peer, kPeerLogSet, HandleValue(named));
        peer->target = named;
        return 0;
    case kImsLinked:
        Log(*peer, kPeerLogLinked, 0);
        return 0;
    case kImsAnnounce:
    case kImsWithdraw:
    case kImsOffer:
        return 0;  // our own broadcasts coming back
    default:
        Log(*peer, kPeerLogOther, code);
        return 0;
    }
}

LRESULT Obey(HWND self, Peer *peer, WPARAM order, LPARAM argument)
{
    HWND window = reinterpret_cast<HWND>(argument);
    switch (order) {
    case kPeerAim:
        peer->terminal = window;
        return 0;
    case kPeerAnnounce:
        return static_cast<LRESULT>(Tell(*peer, kImsAnnounce, NULL));
    case kPeerWithdraw:
        return static_cast<LRESULT>(Tell(*peer, kImsWithdraw, window ? window : self));
    case kPeerTakeTarget:
        peer->target = window;
        return 0;
    case kPeerOfferMode:
        peer->offerMode = static_cast<unsigned>(argument);
        return 0;
    case kPeerSendCode:
        return static_cast<LRESULT>(Tell(*peer, static_cast<WPARAM>(argument), self));
    case kPeerHang:
        Sleep(INFINITE);
        return 0;
    case kPeerQuit:
        DestroyWindow(self);
        return 0;
    case kPeerQueryTarget:
        return reinterpret_cast<LRESULT>(peer->target);
    case kPeerOfferOtherOnQuestion:
        peer->otherServer = window;
        return 0;
    case kPeerPokeOnQuestion:
        peer->pokeWindow = window;
        return 0;
    }
    return 0;
}

LRESULT CALLBACK PeerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Peer *peer = GetPeer(window);
    if (peer && message == peer->imsMessage)
        return ServeLinkMessage(window, peer, wParam, lParam);
    if (peer && message == peer->controlMessage)
        return Obey(window, peer, wParam, lParam);
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreatePeerWindow(HINSTANCE instance, Peer *peer)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PeerWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kImsPeerClassName;
    if (!RegisterClassA(&windowClass))
        return NULL;
    // Hidden but top-level: broadcasts reach it all the same.
    HWND window = CreateWindowExA(0, kImsPeerClassName, "IMS test peer", WS_OVERLAPPEDWINDOW, 0, 0,
                                  100, 100, NULL, NULL, instance, NULL);
    if (window)
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
    return window;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    Peer peer = {};
    peer.imsMessage = RegisterWindowMessageA(kImsMessageName);
    peer.controlMessage = RegisterWindowMessageA(kImsPeerControlName);
    peer.pokeMessage = RegisterWindowMessageA(kImsPeerPokeName);
    peer.log = CreateFileA(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (!peer.imsMessage || !peer.controlMessage || !peer.pokeMessage ||
        peer.log == INVALID_HANDLE_VALUE)
        return 3;
    HWND window = CreatePeerWindow(GetModuleHandleA(NULL), &peer);
    if (!window)
        return 4;
    Log(peer, kPeerLogReady, HandleValue(window));
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    CloseHandle(peer.log);
    return 0;
}
