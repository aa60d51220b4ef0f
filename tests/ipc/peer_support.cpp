#include "tests/ipc/peer_support.h"

#include <algorithm>

#include "tests/support/build_files.h"

bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs)
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

void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

PeerProcess::PeerProcess(const char *exeName, const std::string &arguments) : process_()
{
    std::string exe = VrkBuildFile(exeName);
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process_))
        process_ = PROCESS_INFORMATION{};
}

void PeerProcess::End()
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

bool PeerProcess::HasExited(DWORD timeoutMs) const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}
