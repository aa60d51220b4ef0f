#include "tools/driving/far_end.h"

#include <cstdio>

FarEnd::FarEnd(int port, DWORD baudRate) : handle_(INVALID_HANDLE_VALUE)
{
    char device[32];
    snprintf(device, sizeof device, "\\\\.\\COM%d", port);
    HANDLE handle = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = baudRate;
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.ByteSize = 8;
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = 5000;
    if (!SetupComm(handle, 65536, 65536) || !SetCommState(handle, &dcb) ||
        !SetCommTimeouts(handle, &timeouts)) {
        CloseHandle(handle);
        return;
    }
    handle_ = handle;
}

FarEnd::~FarEnd()
{
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
}

bool FarEnd::Write(const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(bytes.size() - done);
        if (!WriteFile(handle_, bytes.data() + done, chunk, &written, NULL) || written == 0)
            return false;
        done += written;
    }
    return true;
}

std::string FarEnd::Read(size_t count, DWORD timeoutMs)
{
    std::string bytes;
    DWORD start = GetTickCount();
    while (bytes.size() < count && GetTickCount() - start < timeoutMs) {
        char chunk[4096];
        DWORD read = 0;
        if (ReadFile(handle_, chunk, sizeof chunk, &read, NULL) && read > 0)
            bytes.append(chunk, read);
        else
            Sleep(10);
    }
    return bytes;
}

std::string FarEnd::ReadUntilQuiet(DWORD quietMs, DWORD timeoutMs)
{
    std::string bytes;
    DWORD start = GetTickCount();
    DWORD lastArrival = start;
    while (GetTickCount() - lastArrival < quietMs && GetTickCount() - start < timeoutMs) {
        std::string more = Read(1, 10);
        if (!more.empty())
            lastArrival = GetTickCount();
        bytes += more;
    }
    return bytes;
}
