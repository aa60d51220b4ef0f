#include "tests/ipc/dde_raw_client.h"

#include "tests/ipc/dde_test_support.h"

#include <dde.h>

#include <algorithm>
#include <cstring>

static const char kClientClass[] = "VrkTestRawDdeClient";

static void RegisterClientClass()
{
    WNDCLASSA windowClass = {};
    if (GetClassInfoA(GetModuleHandleA(NULL), kClientClass, &windowClass))
        return;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = kClientClass;
    RegisterClassA(&windowClass);
}

RawDdeClient::RawDdeClient() : window_(NULL), answerTerminates_(true), initiating_(false)
{
    RegisterClientClass();
    // A hidden top-level window, as DDE clients have: broadcasts reach it.
    window_ = CreateWindowExA(0, kClientClass, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, GetModuleHandleA(NULL),
                              NULL);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
}

RawDdeClient::~RawDdeClient()
{
    // Blocks without an acknowledgement are still the client's.
    for (HGLOBAL block : blocks_)
        GlobalFree(block);
    if (IsWindow(window_))
        DestroyWindow(window_);
}

LRESULT CALLBACK RawDdeClient::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *client = reinterpret_cast<RawDdeClient *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    HWND sender = reinterpret_cast<HWND>(wParam);
    if (client && message == WM_DDE_ACK && client->initiating_) {
        client->OnAnswer(sender, lParam);
        return 0;
    }
    if (client && message == WM_DDE_ACK) {
        client->OnPostedAck(sender, lParam);
        return 0;
    }
    if (client && message == WM_DDE_TERMINATE) {
        client->OnTerminate(sender);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static std::string AtomName(ATOM atom)
{
    char name[256] = "";
    GlobalGetAtomNameA(atom, name, sizeof name);
    return name;
}

void RawDdeClient::OnAnswer(HWND server, LPARAM atoms)
{
    ATOM service = LOWORD(atoms);
    ATOM topic = HIWORD(atoms);
    answers_.push_back({server, AtomName(service), AtomName(topic)});
    GlobalDeleteAtom(service);
    GlobalDeleteAtom(topic);
}

void RawDdeClient::OnPostedAck(HWND server, LPARAM lParam)
{
    UINT_PTR status = 0;
    UINT_PTR handle = 0;
    if (!UnpackDDElParam(WM_DDE_ACK, lParam, &status, &handle))
        return;
    FreeDDElParam(WM_DDE_ACK, lParam);
    HGLOBAL block = reinterpret_cast<HGLOBAL>(handle);
    acks_.push_back({server, status, handle});
    auto mine = std::find(blocks_.begin(), blocks_.end(), block);
    if (mine != blocks_.end()) {
        GlobalFree(block);
        blocks_.erase(mine);
    }
}

void RawDdeClient::OnTerminate(HWND server)
{
    ++terminates_[server];
    auto asked = std::find(terminating_.begin(), terminating_.end(), server);
    if (asked != terminating_.end()) {
        terminating_.erase(asked);
        return;
    }
    if (answerTerminates_)
        PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window_), 0);
    if (onUnaskedTerminate_)
        onUnaskedTerminate_();
}

HWND RawDdeClient::Initiate(HWND server, const char *service, const char *topic)
{
    ATOM serviceAtom = GlobalAddAtomA(service);
    ATOM topicAtom = GlobalAddAtomA(topic);
    HWND answered = InitiateWithAtoms(server, serviceAtom, topicAtom);
    GlobalDeleteAtom(serviceAtom);
    GlobalDeleteAtom(topicAtom);
    return answered;
}

HWND RawDdeClient::InitiateWithAtoms(HWND server, ATOM service, ATOM topic)
{
    answers_.clear();
    initiating_ = true;
    SendMessageTimeoutA(server, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(window_),
                        MAKELPARAM(service, topic), SMTO_ABORTIFHUNG, 3000, NULL);
    initiating_ = false;
    return answers_.empty() ? NULL : answers_.front().server;
}

HGLOBAL RawDdeClient::PostExecute(HWND server, const std::string &bytes)
{
    HGLOBAL block =
        GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, std::max<size_t>(bytes.size(), 1));
    if (!block)
        return NULL;
    if (void *locked = GlobalLock(block)) {
        memcpy(locked, bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    blocks_.push_back(block);
    PostMessageA(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(window_),
                 PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block)));
    return block;
}

bool RawDdeClient::WaitForAck(ReceivedAck *ack, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (acks_.empty() && GetTickCount() - start < timeoutMs)
        PumpWaiting(10);
    if (acks_.empty())
        return false;
    *ack = acks_.front();
    acks_.erase(acks_.begin());
    return true;
}

bool RawDdeClient::AnyAckWithin(DWORD milliseconds)
{
    PumpMessages(milliseconds);
    bool any = !acks_.empty();
    acks_.clear();
    return any;
}

bool RawDdeClient::PostTerminate(HWND server)
{
    terminating_.push_back(server);
    return PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window_), 0) != FALSE;
}

bool RawDdeClient::IsAwaitingAnswer(HWND server) const
{
    return std::find(terminating_.begin(), terminating_.end(), server) != terminating_.end();
}

bool RawDdeClient::WaitForTerminate(HWND server, DWORD timeoutMs)
{
    // After this client's own terminate only the answer counts; otherwise any.
    bool asked = IsAwaitingAnswer(server);
    auto arrived = [&] { return asked ? !IsAwaitingAnswer(server) : TerminatesFrom(server) > 0; };
    DWORD start = GetTickCount();
    while (!arrived() && GetTickCount() - start < timeoutMs)
        PumpWaiting(10);
    return arrived();
}

int RawDdeClient::TerminatesFrom(HWND server) const
{
    auto found = terminates_.find(server);
    return found == terminates_.end() ? 0 : found->second;
}
