// Drives the stand-in input monitor server (ims_server_peer.exe) from a test.
#pragma once

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/program_identity.h"
#include "tests/ipc/ims_peer_control.h"
#include "tests/ipc/peer_support.h"
#include "tests/support/build_files.h"

struct PeerEvent {
    DWORD tick;
    std::string name;
    unsigned long long value;
};

inline HWND AsWindow(unsigned long long value)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
}

class ImsPeer {
public:
    // Starts a server that offers itself the given way and waits until its
    // window exists.
    explicit ImsPeer(ImsPeerOfferMode offerMode = kOfferBySend)
        : directory_(MakeTemporaryDirectory("ims")), logPath_(directory_ + "\\peer.log"),
          process_("ims_server_peer.exe", "\"" + logPath_ + "\""),
          controlMessage_(RegisterWindowMessageA(kImsPeerControlName)), window_(NULL)
    {
        if (WaitForCount(kPeerLogReady, 1, 10000))
            window_ = AsWindow(EventsNamed(kPeerLogReady).front().value);
        Order(kPeerOfferMode, static_cast<LPARAM>(offerMode));
    }
    ~ImsPeer()
    {
        process_.End();
        RemoveDirectoryTree(directory_);
    }
    ImsPeer(const ImsPeer &) = delete;
    ImsPeer &operator=(const ImsPeer &) = delete;

    HWND Window() const { return window_; }
    // Sends an order and returns the server's reply (kPeerNoReply when none).
    unsigned long long Order(ImsPeerOrder order, LPARAM argument = 0) const
    {
        DWORD_PTR reply = 0;
        if (!window_ || !SendMessageTimeoutA(window_, controlMessage_, order, argument, SMTO_NORMAL, 5000, &reply))
            return kPeerNoReply;
        return reply;
    }
    unsigned long long Order(ImsPeerOrder order, HWND window) const
    {
        return Order(order, reinterpret_cast<LPARAM>(window));
    }
    // The server stops pumping messages for good; returns the tick of the order.
    DWORD Hang() const
    {
        PostMessageA(window_, controlMessage_, kPeerHang, 0);
        return GetTickCount();
    }
    HWND Target() const { return AsWindow(Order(kPeerQueryTarget)); }
    bool HasExited(DWORD timeoutMs) const { return process_.HasExited(timeoutMs); }

    std::vector<PeerEvent> EventsNamed(const char *name = nullptr) const
    {
        std::vector<PeerEvent> events;
        std::istringstream lines(ReadWholeFile(logPath_));
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            PeerEvent event = {};
            if (fields >> event.tick >> event.name >> std::hex >> event.value && (!name || event.name == name))
                events.push_back(event);
        }
        return events;
    }
    size_t Count(const char *name) const { return EventsNamed(name).size(); }
    // The link messages received, by name, in order, leaving out the server's
    // start and its offers, whose place among them is up to the scheduler.
    std::string Conversation() const
    {
        std::string names;
        for (const PeerEvent &event : EventsNamed()) {
            if (event.name != kPeerLogReady && event.name != kPeerLogOffer)
                names += (names.empty() ? "" : " ") + event.name;
        }
        return names;
    }
    // Waits until `count` events of that name have been logged.
    bool WaitForCount(const char *name, size_t count, DWORD timeoutMs = 3000) const
    {
        return PumpUntil([&] { return Count(name) >= count; }, timeoutMs);
    }

private:
    std::string directory_;
    std::string logPath_;
    PeerProcess process_;
    UINT controlMessage_;
    HWND window_;
};

// Sends the terminal a link message as a server would; returns its reply,
// kPeerNoReply when none came.
inline unsigned long long SendLinkCode(HWND terminal, WPARAM code, HWND window)
{
    DWORD_PTR reply = 0;
    if (!SendMessageTimeoutA(terminal, RegisterWindowMessageA(kImsMessageName), code,
                             reinterpret_cast<LPARAM>(window), SMTO_NORMAL, 5000, &reply))
        return kPeerNoReply;
    return reply;
}

inline HWND InputLineOf(HWND terminal)
{
    return GetDlgItem(terminal, kInputLineId);
}
