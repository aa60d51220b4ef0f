// A stand-in input monitor server for the link tests, run as its own process:
//   ims_server_peer.exe LOG_PATH
// It serves the registered link message as a real server would, writes what it
// receives to LOG_PATH and takes orders through its control message.
#include <windows.h>

#include <cstdio>

#include "core/program_identity.h"
#include "ipc/ims_codes.h"
#include "tests/ipc/ims_peer_control.h"

namespace {

// Long enough for any live terminal; only keeps a broken one from hanging the
// test run.
const UINT kSendTimeoutMs = 5000;

struct Peer {
    UINT imsMessage;
    UINT controlMessage;
    UINT pokeMessage;
    HANDLE log;
    HWND target;
    unsigned offerMode;
    HWND pokeWindow;
};

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

void Offer(HWND self, const Peer &peer, HWND terminal)
{
    if (peer.offerMode == kOfferByPost)
        PostMessageA(terminal, peer.imsMessage, kImsOffer, reinterpret_cast<LPARAM>(self));
    if (peer.offerMode != kOfferBySend && peer.offerMode != kOfferThenHang)
        return;
    DWORD_PTR reply = 0;
    bool answered = SendMessageTimeoutA(terminal, peer.imsMessage, kImsOffer, reinterpret_cast<LPARAM>(self),
                                        SMTO_NORMAL, kSendTimeoutMs, &reply) != 0;
    Log(peer, kPeerLogOffer, answered ? reply : kPeerNoReply);
    if (peer.offerMode == kOfferThenHang)
        Sleep(INFINITE);
}

void PokeOnce(Peer *peer)
{
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
        Offer(self, *peer, named);
        return 0;
    case kImsGetTarget:
        PokeOnce(peer);
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
    case kPeerBroadcast:
        // Posted, so that no window anywhere can hold the server up.
        PostMessageA(HWND_BROADCAST, peer->imsMessage, static_cast<WPARAM>(argument), reinterpret_cast<LPARAM>(self));
        break;
    case kPeerTakeTarget:
        peer->target = window;
        break;
    case kPeerOfferMode:
        peer->offerMode = static_cast<unsigned>(argument);
        break;
    case kPeerHang:
        Sleep(INFINITE);
        break;
    case kPeerQuit:
        DestroyWindow(self);
        break;
    case kPeerQueryTarget:
        return reinterpret_cast<LRESULT>(peer->target);
    case kPeerPokeOnQuestion:
        peer->pokeWindow = window;
        break;
    }
    return 0;
}

LRESULT CALLBACK PeerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *peer = reinterpret_cast<Peer *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (peer && message == peer->imsMessage)
        return ServeLinkMessage(window, peer, wParam, lParam);
    if (peer && message == peer->controlMessage)
        return Obey(window, peer, wParam, lParam);
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
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
    peer.log = CreateFileA(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PeerWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "VrkImsTestPeer";
    // Hidden but top-level: broadcasts reach it all the same.
    HWND window = peer.log == INVALID_HANDLE_VALUE || !RegisterClassA(&windowClass)
                      ? NULL
                      : CreateWindowExA(0, windowClass.lpszClassName, "IMS test peer", WS_OVERLAPPEDWINDOW, 0,
                                        0, 100, 100, NULL, NULL, windowClass.hInstance, NULL);
    if (!window)
        return 3;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&peer));
    Log(peer, kPeerLogReady, HandleValue(window));
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    CloseHandle(peer.log);
    return 0;
}
