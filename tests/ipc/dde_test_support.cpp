#include "tests/ipc/dde_test_support.h"

#include <psapi.h>

#include <atomic>
#include <cctype>

SIZE_T PrivateBytesOf(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PagefileUsage : 0;
}

std::string UniqueServiceName()
{
    static std::atomic<unsigned> serial{0};
    return "VRKT" + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(++serial);
}

std::string IniWithService(const std::string &serviceName)
{
    return "[VRK]\r\nDdeServiceName=" + serviceName + "\r\n";
}

std::string InLowerCase(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::wstring Widen(const std::string &ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}
