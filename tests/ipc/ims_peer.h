// Drives the stand-in input monitor server (ims_server_peer.exe) from a test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/ipc/ims_peer_control.h"
#include "tests/ipc/peer_support.h"

struct PeerEvent {
    DWORD tick;
    std::string name;
    unsigned long long value;
};

class ImsPeer {
public:
    // Starts a server that offers itself the given way and waits until its
    // window exists.
    explicit ImsPeer(ImsPeerOfferMode offerMode = kOfferBySend);
    ~ImsPeer();
    ImsPeer(const ImsPeer &) = delete;
    ImsPeer &operator=(const ImsPeer &) = delete;

    HWND Window() const { return window_; }
    // Sends an order and returns the server's reply (kPeerNoReply when none).
    unsigned long long Order(ImsPeerOrder order, LPARAM argument = 0) const;
    unsigned long long Order(ImsPeerOrder order, HWND window) const;
    // The server stops pumping messages for good; returns the tick of the order.
    DWORD Hang() const;
    HWND Target() const { return AsWindow(Order(kPeerQueryTarget)); }
    bool HasExited(DWORD timeoutMs) const { return process_.HasExited(timeoutMs); }

    std::vector<PeerEvent> Events() const;
    std::vector<PeerEvent> EventsNamed(const char *name) const;
    size_t Count(const char *name) const { return EventsNamed(name).size(); }
    // The link messages received, by name, in order, leaving out the server's
    // start and its offers, whose place among them is up to the scheduler.
    std::string Conversation() const;
    // Waits until `count` events of that name have been logged.
    bool WaitForCount(const char *name, size_t count, DWORD timeoutMs = 3000) const;

    static HWND AsWindow(unsigned long long value);

private:
    std::string directory_;
    std::string logPath_;
    PeerProcess process_;
    UINT controlMessage_;
    HWND window_;
};

// Sends the terminal a link message as a server would; returns its reply,
// kPeerNoReply when none came.
unsigned long long SendLinkCode(HWND terminal, WPARAM code, HWND window);
HWND InputLineOf(HWND terminal);
