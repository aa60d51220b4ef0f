#include "tools/host_sim/host_port.h"

#include <cstdio>

static const DWORD kQueueSize = 4096;
static const DWORD kReadWaitMs = 50;
// Bounds how long one write may hold the simulator when the far end
// withholds CTS; the caller sends what is left over.
static const DWORD kWriteTimeoutMs = 1000;

// The terminal's framing and handshake (8N1, output waits for CTS, RTS
// handshake, DTR on), applied over what the driver already holds; the rest
// of the record does not concern the far end of the line. With both read
// time-out values at MAXDWORD and a constant, a read returns as soon as any
// byte is there, and after the constant when none comes. Returns the call
// that failed, or NULL.
static const char *ConfigureHostPort(HANDLE port, unsigned long baudRate)
{
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kReadWaitMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (!SetupComm(port, kQueueSize, kQueueSize))
        return "SetupComm";
    if (!SetCommTimeouts(port, &timeouts))
        return "SetCommTimeouts";
    if (!GetCommState(port, &dcb))
        return "GetCommState";
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
    return SetCommState(port, &dcb) ? NULL : "SetCommState";
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

