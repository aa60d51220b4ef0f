#include "tests/ipc/dde_test_support.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cctype>

static bool DispatchWaiting()
{
    bool any = false;
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        any = true;
        if (message.message == WM_QUIT)
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return any;
}

// Dispatches what is waiting; when nothing is, waits up to waitMs for the
// next message first. (A peek that leaves a DDE message in the queue makes
// Wine unpack it twice, and the first unpacking is never freed.)
void PumpWaiting(DWORD waitMs)
{
    if (!DispatchWaiting()) {
        MsgWaitForMultipleObjectsEx(0, NULL, waitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        DispatchWaiting();
    }
}

void PumpMessages(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        DWORD elapsed = GetTickCount() - start;
        PumpWaiting(elapsed < milliseconds ? milliseconds - elapsed : 0);
    } while (GetTickCount() - start < milliseconds);
}

bool PumpUntilExited(HANDLE process, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0)
            return true;
        PumpWaiting(0);
    }
}

SIZE_T PrivateBytesOf(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PagefileUsage : 0;
}

std::string UniqueServiceName(const char *prefix)
{
    static std::atomic<unsigned> serial{0};
    return std::string(prefix) + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(++serial);
}

std::string IniWithService(const std::string &serviceName, const char *moreLines)
{
    return "[VRK]\r\nDdeServiceName=" + serviceName + "\r\n" + moreLines;
}

std::string InLowerCase(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string InUpperCase(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::wstring Widen(const std::string &ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}
