#include "tools/host_port.h"

#include <cstdio>

static const DWORD kQueueSize = 4096;
static const DWORD kReadWaitMs = 50;
// A write hands the driver a slice of at most a few hundred bytes; this
// bounds how long one call may hold the simulator when the far end withholds
// CTS. The caller sends what is left over.
static const DWORD kWriteTimeoutMs = 1000;

static void FillLineSettings(DCB &dcb, unsigned long baudRate)
{
    ZeroMemory(&dcb, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = baudRate;
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.fOutxCtsFlow = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fNull = 1;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.XonLim = 1024;
    dcb.XoffLim = 1024;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
}

// With both read values at MAXDWORD and a constant, a read returns as soon as
// any byte is there, and after the constant when none comes.
static BOOL ApplyTimeouts(HANDLE port)
{
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kReadWaitMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    return SetCommTimeouts(port, &timeouts);
}

static const char *ConfigureHostPort(HANDLE port, unsigned long baudRate)
{
    DCB dcb;
    FillLineSettings(dcb, baudRate);
    if (!SetupComm(port, kQueueSize, kQueueSize))
        return "SetupComm";
    if (!ApplyTimeouts(port))
        return "SetCommTimeouts";
    if (!SetCommState(port, &dcb))
        return "SetCommState";
    return NULL;
}

HANDLE OpenHostPort(unsigned long portNumber, unsigned long baudRate, const char **failedStep, DWORD *failedCode)
{
    char device[32];
    std::snprintf(device, sizeof device, "\\\\.\\COM%lu", portNumber);
    HANDLE port = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (port == INVALID_HANDLE_VALUE) {
        *failedCode = GetLastError();
        *failedStep = "CreateFile";
        return INVALID_HANDLE_VALUE;
    }
    if (const char *step = ConfigureHostPort(port, baudRate)) {
        *failedCode = GetLastError();
        *failedStep = step;
        CloseHandle(port);
        return INVALID_HANDLE_VALUE;
    }
    return port;
}

BOOL ReadHostPort(HANDLE port, char *buffer, DWORD size, DWORD *count)
{
    *count = 0;
    return ReadFile(port, buffer, size, count, NULL);
}
