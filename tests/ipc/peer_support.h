// What the DDE and input monitor tests share: keeping this thread's windows
// answering while they wait, and starting the peer programs they talk to.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Dispatches this thread's messages until `done` holds or the time is up;
// returns whether it held.
bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs);
void PumpFor(DWORD milliseconds);

// A peer program of the build, started with `arguments` and killed, if still
// running, with the test.
class PeerProcess {
public:
    PeerProcess(const char *exeName, const std::string &arguments);
    ~PeerProcess() { End(); }
    PeerProcess(const PeerProcess &) = delete;
    PeerProcess &operator=(const PeerProcess &) = delete;

    DWORD Id() const { return process_.dwProcessId; }
    bool HasExited(DWORD timeoutMs) const;
    // Kills the program if it still runs and waits until it has ended.
    void End();

private:
    PROCESS_INFORMATION process_;
};
