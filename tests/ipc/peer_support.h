// What the DDE and input monitor tests share: keeping this thread's windows
// answering while they wait, and starting the peer programs they talk to.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>

#include "tests/support/build_files.h"

// Dispatches this thread's messages until `done` holds or the time is up;
// returns whether it held.
inline bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        // Every message is taken off the queue: a peek that leaves a DDE
        // message behind makes Wine unpack it twice, and the first unpacking
        // is never freed.
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        // What is awaited may be a line in a peer's log, which wakes nobody.
        MsgWaitForMultipleObjectsEx(0, NULL, std::min<DWORD>(10, timeoutMs - elapsed), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

inline void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

// A peer program of the build, started with `arguments` and killed, if still
// running, with the test.
class PeerProcess {
public:
    PeerProcess(const char *exeName, const std::string &arguments) : process_()
    {
        std::string exe = VrkBuildFile(exeName);
        std::string commandLine = "\"" + exe + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process_))
            process_ = PROCESS_INFORMATION{};
    }
    ~PeerProcess() { End(); }
    PeerProcess(const PeerProcess &) = delete;
    PeerProcess &operator=(const PeerProcess &) = delete;

    DWORD Id() const { return process_.dwProcessId; }
    bool HasExited(DWORD timeoutMs) const
    {
        return process_.hProcess && WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
    }
    // Kills the program if it still runs and waits until it has ended.
    void End()
    {
        if (!process_.hProcess)
            return;
        if (!HasExited(0))
            TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = PROCESS_INFORMATION{};
    }

private:
    PROCESS_INFORMATION process_;
};
