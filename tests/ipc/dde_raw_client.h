// A DDE client spoken in raw window messages, played by the test thread. It
// sees what the platform's DDE library hides: the answer's atoms, the
// acknowledgement's status word and handle, every terminate.
#pragma once

#include <windows.h>

#include <functional>
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
    // window that answered first, NULL when none did; an empty name goes as
    // the zero atom, the wildcard. The answers' names are kept and their atoms
    // deleted, as the receiver of an answer must.
    HWND Initiate(HWND server, const char *service, const char *topic = "Command");
    HWND InitiateWithAtoms(HWND server, ATOM service, ATOM topic);
    const std::vector<ReceivedAnswer> &Answers() const { return answers_; }

    // Posts an execute whose block holds exactly `bytes` and returns the
    // block; it is freed when its acknowledgement arrives, or at the end.
    HGLOBAL PostExecute(HWND server, const std::string &bytes);
    bool WaitForAck(ReceivedAck *ack, DWORD timeoutMs = 3000);
    // Pumps for the given time and reports whether any acknowledgement came.
    bool AnyAckWithin(DWORD milliseconds);

    bool PostTerminate(HWND server);
    // Waits for the answer to this client's own terminate.
    bool WaitForTerminate(DWORD timeoutMs = 3000);
    bool Terminate(HWND server, DWORD timeoutMs = 3000) { return PostTerminate(server) && WaitForTerminate(timeoutMs); }
    int Terminates() const { return terminates_; }

    // What a terminate the client did not ask for gets: an answer unless
    // switched off, then the action.
    bool answerTerminates = true;
    std::function<void()> onUnaskedTerminate;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnAnswer(HWND server, LPARAM atoms);
    void OnPostedAck(HWND server, LPARAM lParam);
    void OnTerminate(HWND server);

    HWND window_;
    bool initiating_ = false;
    bool awaitingTerminate_ = false;
    int terminates_ = 0;
    std::vector<ReceivedAnswer> answers_;
    std::vector<ReceivedAck> acks_;
    std::vector<HGLOBAL> blocks_;
};
