// Drives the stand-in input monitor server (ims_server_peer.exe) from a test.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/ipc/ims_peer_control.h"

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
    HWND Target() const;
    bool HasExited(DWORD timeoutMs) const;

    std::vector<PeerEvent> Events() const;
    std::vector<PeerEvent> EventsNamed(const char *name) const;
    size_t Count(const char *name) const;
    // Waits until `count` events of that name have been logged.
    bool WaitForCount(const char *name, size_t count, DWORD timeoutMs = 3000) const;

private:
    std::string directory_;
    std::string logPath_;
    PROCESS_INFORMATION process_;
    UINT controlMessage_;
    HWND window_;
};

// Dispatches this thread's messages until `done` holds or the time runs out;
// the test thread keeps pumping so that no window of its own holds up a
// broadcast.
bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs);
void PumpFor(DWORD milliseconds);

HWND InputLineOf(HWND terminal);
HWND AsWindow(unsigned long long value);
