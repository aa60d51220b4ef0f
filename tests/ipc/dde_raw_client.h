// A DDE client spoken in raw window messages, played by the test thread. It
// sees what the platform's DDE library hides: the answer's atoms, the
// acknowledgement's status word and handle, every terminate.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

struct ReceivedAnswer {
    HWND server;
    std::string service;
    std::string topic;
};

struct ReceivedAck {
    HWND from;
    UINT_PTR status;
    UINT_PTR handle;
};

class RawDdeClient {
public:
    RawDdeClient();
    ~RawDdeClient();
    RawDdeClient(const RawDdeClient &) = delete;
    RawDdeClient &operator=(const RawDdeClient &) = delete;

    HWND Window() const { return window_; }
    // Sends an initiate to `server` (HWND_BROADCAST for all) and returns the
    // window that answered first, NULL when none did. The names in the
    // answer's atoms are kept; the atoms themselves are deleted, as the
    // receiver of an initiate's answer must.
    HWND Initiate(HWND server, const char *service, const char *topic = "Command");
    HWND InitiateWithAtoms(HWND server, ATOM service, ATOM topic);
    const std::vector<ReceivedAnswer> &Answers() const { return answers_; }

    // Posts an execute whose block holds exactly `bytes` (add the NUL to the
    // string to send a terminated one). The block is freed when its
    // acknowledgement arrives, or at the end. Returns the block.
    HGLOBAL PostExecute(HWND server, const std::string &bytes);
    // Pumps this thread's messages until an acknowledgement arrives.
    bool WaitForAck(ReceivedAck *ack, DWORD timeoutMs = 3000);
    // Pumps for the given time and reports whether any acknowledgement came.
    bool AnyAckWithin(DWORD milliseconds);

    bool PostTerminate(HWND server);
    // Pumps until `server` answers this client's terminate or, when it was
    // not asked, until any terminate from it arrives.
    bool WaitForTerminate(HWND server, DWORD timeoutMs = 3000);
    int TerminatesFrom(HWND server) const;

    // Whether a terminate the client did not ask for is answered (the default).
    void AnswerTerminates(bool answer) { answerTerminates_ = answer; }
    // Runs after an unasked terminate has been handled.
    void OnUnaskedTerminate(std::function<void()> action) { onUnaskedTerminate_ = std::move(action); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnAnswer(HWND server, LPARAM atoms);
    void OnPostedAck(HWND server, LPARAM lParam);
    void OnTerminate(HWND server);
    bool IsAwaitingAnswer(HWND server) const;

    HWND window_;
    bool answerTerminates_;
    bool initiating_;
    std::function<void()> onUnaskedTerminate_;
    std::vector<ReceivedAnswer> answers_;
    std::vector<ReceivedAck> acks_;
    std::map<HWND, int> terminates_;
    std::vector<HWND> terminating_;
    std::vector<HGLOBAL> blocks_;
};
