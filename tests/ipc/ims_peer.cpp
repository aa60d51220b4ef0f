#include "tests/ipc/ims_peer.h"

#include <sstream>

#include "app/program_identity.h"
#include "tests/support/build_files.h"

namespace {

const DWORD kStartTimeoutMs = 10000;
const UINT kOrderTimeoutMs = 5000;

std::vector<PeerEvent> ParseLog(const std::string &text)
{
    std::vector<PeerEvent> events;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        PeerEvent event = {};
        if (fields >> event.tick >> event.name >> std::hex >> event.value)
            events.push_back(event);
    }
    return events;
}

}  // namespace

bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

HWND InputLineOf(HWND terminal)
{
    return GetDlgItem(terminal, kInputLineId);
}

HWND AsWindow(unsigned long long value)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
}

ImsPeer::ImsPeer(ImsPeerOfferMode offerMode)
    : directory_(MakeTemporaryDirectory("ims")), logPath_(directory_ + "\\peer.log"), process_(),
      controlMessage_(RegisterWindowMessageA(kImsPeerControlName)), window_(NULL)
{
    std::string exe = VrkBuildFile("ims_server_peer.exe");
    std::string commandLine = "\"" + exe + "\" \"" + logPath_ + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process_))
        return;
    PumpUntil([this] { return Count(kPeerLogReady) > 0; }, kStartTimeoutMs);
    const std::vector<PeerEvent> ready = EventsNamed(kPeerLogReady);
    if (!ready.empty())
        window_ = AsWindow(ready.front().value);
    Order(kPeerOfferMode, static_cast<LPARAM>(offerMode));
}

ImsPeer::~ImsPeer()
{
    if (process_.hProcess) {
        if (!HasExited(0))
            TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    RemoveDirectoryTree(directory_);
}

unsigned long long ImsPeer::Order(ImsPeerOrder order, LPARAM argument) const
{
    DWORD_PTR reply = 0;
    if (!window_ || !SendMessageTimeoutA(window_, controlMessage_, order, argument, SMTO_NORMAL,
                                         kOrderTimeoutMs, &reply))
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

HWND ImsPeer::Target() const
{
    return AsWindow(Order(kPeerQueryTarget));
}

bool ImsPeer::HasExited(DWORD timeoutMs) const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

std::vector<PeerEvent> ImsPeer::Events() const
{
    return ParseLog(ReadWholeFile(logPath_));
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

size_t ImsPeer::Count(const char *name) const
{
    return EventsNamed(name).size();
}

bool ImsPeer::WaitForCount(const char *name, size_t count, DWORD timeoutMs) const
{
    return PumpUntil([&] { return Count(name) >= count; }, timeoutMs);
}
