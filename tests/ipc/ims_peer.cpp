#include "tests/ipc/ims_peer.h"

#include <sstream>

#include "app/program_identity.h"
#include "tests/support/build_files.h"

ImsPeer::ImsPeer(ImsPeerOfferMode offerMode)
    : directory_(MakeTemporaryDirectory("ims")), logPath_(directory_ + "\\peer.log"),
      process_("ims_server_peer.exe", "\"" + logPath_ + "\""),
      controlMessage_(RegisterWindowMessageA(kImsPeerControlName)), window_(NULL)
{
    PumpUntil([this] { return Count(kPeerLogReady) > 0; }, 10000);
    const std::vector<PeerEvent> ready = EventsNamed(kPeerLogReady);
    if (!ready.empty())
        window_ = AsWindow(ready.front().value);
    Order(kPeerOfferMode, static_cast<LPARAM>(offerMode));
}

ImsPeer::~ImsPeer()
{
    process_.End();
    RemoveDirectoryTree(directory_);
}

unsigned long long ImsPeer::Order(ImsPeerOrder order, LPARAM argument) const
{
    DWORD_PTR reply = 0;
    if (!window_ || !SendMessageTimeoutA(window_, controlMessage_, order, argument, SMTO_NORMAL, 5000, &reply))
        return kPeerNoReply;
    return reply;
}

unsigned long long ImsPeer::Order(ImsPeerOrder order, HWND window) const
{
    return Order(order, reinterpret_cast<LPARAM>(window));
}

DWORD ImsPeer::Hang() const
{
    PostMessageA(window_, controlMessage_, kPeerHang, 0);
    return GetTickCount();
}

std::vector<PeerEvent> ImsPeer::Events() const
{
    std::vector<PeerEvent> events;
    std::istringstream lines(ReadWholeFile(logPath_));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        PeerEvent event = {};
        if (fields >> event.tick >> event.name >> std::hex >> event.value)
            events.push_back(event);
    }
    return events;
}

std::vector<PeerEvent> ImsPeer::EventsNamed(const char *name) const
{
    std::vector<PeerEvent> named;
    for (const PeerEvent &event : Events()) {
        if (event.name == name)
            named.push_back(event);
    }
    return named;
}

std::string ImsPeer::Conversation() const
{
    std::string names;
    for (const PeerEvent &event : Events()) {
        if (event.name != kPeerLogReady && event.name != kPeerLogOffer)
            names += (names.empty() ? "" : " ") + event.name;
    }
    return names;
}

bool ImsPeer::WaitForCount(const char *name, size_t count, DWORD timeoutMs) const
{
    return PumpUntil([&] { return Count(name) >= count; }, timeoutMs);
}

HWND ImsPeer::AsWindow(unsigned long long value)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
}

unsigned long long SendLinkCode(HWND terminal, WPARAM code, HWND window)
{
    DWORD_PTR reply = 0;
    if (!SendMessageTimeoutA(terminal, RegisterWindowMessageA(kImsMessageName), code,
                             reinterpret_cast<LPARAM>(window), SMTO_NORMAL, 5000, &reply))
        return kPeerNoReply;
    return reply;
}

HWND InputLineOf(HWND terminal)
{
    return GetDlgItem(terminal, kInputLineId);
}
