#include "tests/ipc/dde_raw_client.h"

#include <dde.h>

#include <algorithm>
#include <cstring>

#include "tests/ipc/peer_support.h"

RawDdeClient::RawDdeClient()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "VrkTestRawDdeClient";
    RegisterClassA(&windowClass);
    // A hidden top-level window, as DDE clients have: broadcasts reach it.
    window_ = CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL,
                              windowClass.hInstance, NULL);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

RawDdeClient::~RawDdeClient()
{
    // Blocks without an acknowledgement are still the client's.
    for (HGLOBAL block : blocks_)
        GlobalFree(block);
    DestroyWindow(window_);
}

LRESULT CALLBACK RawDdeClient::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *client = reinterpret_cast<RawDdeClient *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    HWND sender = reinterpret_cast<HWND>(wParam);
    if (client && message == WM_DDE_ACK && client->initiating_)
        client->OnAnswer(sender, lParam);
    else if (client && message == WM_DDE_ACK)
        client->OnPostedAck(sender, lParam);
    else if (client && message == WM_DDE_TERMINATE)
        client->OnTerminate(sender);
    else
        return DefWindowProcA(window, message, wParam, lParam);
    return 0;
}

static std::string AtomName(ATOM atom)
{
    char name[256] = "";
    GlobalGetAtomNameA(atom, name, sizeof name);
    GlobalDeleteAtom(atom);
    return name;
}

void RawDdeClient::OnAnswer(HWND server, LPARAM atoms)
{
    answers_.push_back({server, AtomName(LOWORD(atoms)), AtomName(HIWORD(atoms))});
}

void RawDdeClient::OnPostedAck(HWND server, LPARAM lParam)
{
    UINT_PTR status = 0;
    UINT_PTR handle = 0;
    if (!UnpackDDElParam(WM_DDE_ACK, lParam, &status, &handle))
        return;
    FreeDDElParam(WM_DDE_ACK, lParam);
    acks_.push_back({server, status, handle});
    auto mine = std::find(blocks_.begin(), blocks_.end(), reinterpret_cast<HGLOBAL>(handle));
    if (mine != blocks_.end()) {
        GlobalFree(*mine);
        blocks_.erase(mine);
    }
}

void RawDdeClient::OnTerminate(HWND server)
{
    ++terminates_;
    if (awaitingTerminate_) {
        awaitingTerminate_ = false;
        return;
    }
    if (answerTerminates)
        PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window_), 0);
    if (onUnaskedTerminate)
        onUnaskedTerminate();
}

HWND RawDdeClient::Initiate(HWND server, const char *service, const char *topic)
{
    ATOM serviceAtom = *service ? GlobalAddAtomA(service) : 0;
    ATOM topicAtom = *topic ? GlobalAddAtomA(topic) : 0;
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
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, std::max<size_t>(bytes.size(), 1));
    void *locked = block ? GlobalLock(block) : nullptr;
    if (!locked) {
        GlobalFree(block);
        return NULL;
    }
    memcpy(locked, bytes.data(), bytes.size());
    GlobalUnlock(block);
    blocks_.push_back(block);
    PostMessageA(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(window_),
                 PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block)));
    return block;
}

bool RawDdeClient::WaitForAck(ReceivedAck *ack, DWORD timeoutMs)
{
    if (!PumpUntil([this] { return !acks_.empty(); }, timeoutMs))
        return false;
    *ack = acks_.front();
    acks_.erase(acks_.begin());
    return true;
}

bool RawDdeClient::AnyAckWithin(DWORD milliseconds)
{
    PumpFor(milliseconds);
    bool any = !acks_.empty();
    acks_.clear();
    return any;
}

bool RawDdeClient::PostTerminate(HWND server)
{
    awaitingTerminate_ = true;
    return PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window_), 0) != FALSE;
}

bool RawDdeClient::WaitForTerminate(DWORD timeoutMs)
{
    return PumpUntil([this] { return !awaitingTerminate_; }, timeoutMs);
}
