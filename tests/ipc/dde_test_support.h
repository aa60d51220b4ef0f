// What the DDE tests share: service names of their own, and a DDE client
// spoken in raw window messages, played by the test thread, which sees what
// the platform's DDE library hides: the acknowledgement's status word and
// handle, every terminate.
#pragma once

#include <windows.h>

#include <dde.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/ipc/peer_support.h"

// A service name no other test of this run uses.
inline std::string UniqueServiceName()
{
    static std::atomic<unsigned> serial{0};
    return "VRKT" + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(++serial);
}

inline std::string IniWithService(const std::string &serviceName)
{
    return "[VRK]\r\nDdeServiceName=" + serviceName + "\r\n";
}

inline std::string InLowerCase(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

inline std::wstring Widen(const std::string &ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

struct ReceivedAck {
    HWND from;
    UINT_PTR status;
    UINT_PTR handle;
};

class RawDdeClient {
public:
    RawDdeClient()
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
    ~RawDdeClient()
    {
        // Blocks without an acknowledgement are still the client's.
        for (HGLOBAL block : blocks_)
            GlobalFree(block);
        DestroyWindow(window_);
    }
    RawDdeClient(const RawDdeClient &) = delete;
    RawDdeClient &operator=(const RawDdeClient &) = delete;

    HWND Window() const { return window_; }

    // Sends an initiate to `server` (HWND_BROADCAST for all) and returns the
    // window that answered first, NULL when none did; an empty name goes as
    // the zero atom, the wildcard.
    HWND Initiate(HWND server, const char *service, const char *topic = "Command")
    {
        ATOM serviceAtom = *service ? GlobalAddAtomA(service) : 0;
        ATOM topicAtom = *topic ? GlobalAddAtomA(topic) : 0;
        HWND answered = InitiateWithAtoms(server, serviceAtom, topicAtom);
        GlobalDeleteAtom(serviceAtom);
        GlobalDeleteAtom(topicAtom);
        return answered;
    }
    HWND InitiateWithAtoms(HWND server, ATOM service, ATOM topic)
    {
        answers_.clear();
        initiating_ = true;
        SendMessageTimeoutA(server, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(window_), MAKELPARAM(service, topic),
                            SMTO_ABORTIFHUNG, 3000, NULL);
        initiating_ = false;
        return answers_.empty() ? NULL : answers_.front();
    }
    const std::vector<HWND> &Answers() const { return answers_; }

    // Posts an execute whose block holds exactly `bytes` and returns the
    // block; it is freed when its acknowledgement arrives, or at the end.
    HGLOBAL PostExecute(HWND server, const std::string &bytes)
    {
        HGLOBAL block =
            GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, std::max<size_t>(bytes.size(), 1));
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
    bool WaitForAck(ReceivedAck *ack, DWORD timeoutMs = 3000)
    {
        if (!PumpUntil([this] { return !acks_.empty(); }, timeoutMs))
            return false;
        *ack = acks_.front();
        acks_.erase(acks_.begin());
        return true;
    }

    bool PostTerminate(HWND server)
    {
        awaitingTerminate_ = true;
        return PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window_), 0) != FALSE;
    }
    // Waits for the answer to this client's own terminate.
    bool WaitForTerminate(DWORD timeoutMs = 3000)
    {
        return PumpUntil([this] { return !awaitingTerminate_; }, timeoutMs);
    }
    bool Terminate(HWND server, DWORD timeoutMs = 3000)
    {
        return PostTerminate(server) && WaitForTerminate(timeoutMs);
    }
    int Terminates() const { return terminates_; }

    // What a terminate the client did not ask for gets: an answer unless
    // switched off, then the action.
    bool answerTerminates = true;
    std::function<void()> onUnaskedTerminate;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
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
    // The receiver of an initiate's answer deletes its atoms.
    void OnAnswer(HWND server, LPARAM atoms)
    {
        answers_.push_back(server);
        GlobalDeleteAtom(LOWORD(atoms));
        GlobalDeleteAtom(HIWORD(atoms));
    }
    void OnPostedAck(HWND server, LPARAM lParam)
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
    void OnTerminate(HWND server)
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

    HWND window_;
    bool initiating_ = false;
    bool awaitingTerminate_ = false;
    int terminates_ = 0;
    std::vector<HWND> answers_;
    std::vector<ReceivedAck> acks_;
    std::vector<HGLOBAL> blocks_;
};
