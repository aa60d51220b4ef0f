#include "tools/host_port.h"

#include <cstdio>

static const DWORD kQueueSize = 4096;
static const DWORD kReadWaitMs = 50;
// A write hands the driver a slice of at most a few hundred bytes; this
// bounds how long one call may hold the simulator when the far end withholds
// CTS. The caller sends what is left over.
static const DWORD kWriteTimeoutMs = 1000;

// The terminal's framing and handshake (8N1, output waits for CTS, RTS
// handshake, DTR on), applied over what the driver already holds; the rest
// of the record does not concern the far end of the line.
static BOOL ApplyLineSettings(HANDLE port, unsigned long baudRate, const char **failedStep)
{
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    *failedStep = "GetCommState";
    if (!GetCommState(port, &dcb))
        return FALSE;
    dcb.BaudRate = baudRate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = 1;
    dcb.fOutxDsrFlow = 0;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    *failedStep = "SetCommState";
    return SetCommState(port, &dcb);
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
    const char *failedStep = NULL;
    if (!SetupComm(port, kQueueSize, kQueueSize))
        return "SetupComm";
    if (!ApplyTimeouts(port))
        return "SetCommTimeouts";
    if (!ApplyLineSettings(port, baudRate, &failedStep))
        return failedStep;
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
