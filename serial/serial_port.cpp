#include "serial/serial_port.h"

#include <algorithm>
#include <cstring>

#include "core/message_box.h"
#include "core/terminal_state.h"
#include "resources/resource_ids.h"
#include "serial/port_name.h"

static const DWORD kQueueSize = 4096;
static const DWORD kDefaultBaudRate = 1200;
// Texts go out in slices no longer than the longest a Send could once carry:
// with CTS withheld a slice gives up within 100 ms a byte plus 200 ms, so no
// text holds the window longer than about 51 seconds.
static const DWORD kSliceBytes = 512;

void SetLineDefaults(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    DCB &dcb = state->dcb;
    ZeroMemory(&dcb, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = kDefaultBaudRate;
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
    state->portIndex = 0;
    state->port = NULL;
    state->baudRate = static_cast<LONG>(dcb.BaudRate);
}

// Reads never wait; a write of n bytes may take 100 ms a byte plus 200 ms.
static BOOL ApplyTimeouts(HANDLE port)
{
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutMultiplier = 100;
    timeouts.WriteTotalTimeoutConstant = 200;
    return SetCommTimeouts(port, &timeouts);
}

// Configures an opened port; on failure names the step and leaves its error
// code for the caller.
static const wchar_t *ConfigurePort(HANDLE port, DCB *dcb)
{
    if (!SetupComm(port, kQueueSize, kQueueSize))
        return L"SetupComm";
    if (!ApplyTimeouts(port))
        return L"SetCommTimeouts";
    if (!SetCommState(port, dcb))
        return L"SetCommState";
    return NULL;
}

// Opens and configures the chosen port at the chosen rate; on failure names
// the step and leaves its error code in *code, with nothing kept open.
static const wchar_t *OpenDevice(TerminalState *state, DWORD *code)
{
    char device[32];
    MakePortDeviceName(state->portIndex, device, sizeof device);
    state->dcb.BaudRate = static_cast<DWORD>(state->baudRate);
    HANDLE port = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (port == INVALID_HANDLE_VALUE) {
        *code = GetLastError();
        return L"CreateFile";
    }
    if (const wchar_t *failedStep = ConfigurePort(port, &state->dcb)) {
        *code = GetLastError();
        CloseHandle(port);
        return failedStep;
    }
    state->port = port;
    return NULL;
}

int OpenPort(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || state->port)
        return 0;
    DWORD code = 0;
    if (const wchar_t *failedStep = OpenDevice(state, &code)) {
        ShowFailure(mainWindow, IDS_OPEN_FAILED, failedStep, code);
        return 0;
    }
    ShowMessage(mainWindow, IDS_PORT_OPENED, MB_ICONINFORMATION);
    return 1;
}

int ReopenPort(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    DWORD code = 0;
    return state && !state->port && !OpenDevice(state, &code) ? 1 : 0;
}

int ClosePort(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return 0;
    state->portLost = 0;
    state->portFailure = 0;
    if (!state->port)
        return 0;
    CloseHandle(state->port);
    state->port = NULL;
    return 1;
}

int IsPortOpen(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    return state && state->port ? 1 : 0;
}

int IsPortInUse(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    return state && (state->port || state->portLost) ? 1 : 0;
}

DWORD TakePortFailure(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return 0;
    DWORD code = state->portFailure;
    state->portFailure = 0;
    return code;
}

DWORD QueryPortFailure(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    DWORD errors = 0;
    COMSTAT status = {};
    if (!state || !state->port || ClearCommError(state->port, &errors, &status))
        return 0;
    return GetLastError();
}

static void RecordFailure(HWND mainWindow, DWORD code)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (state && state->port)
        state->portFailure = code;
}

// Not every driver drops NUL bytes as the line settings ask, and one NUL
// would cut the rest of a chunk off the screen and the log.
static DWORD DropNulBytes(char *bytes, DWORD count)
{
    DWORD kept = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (bytes[i] != '\0')
            bytes[kept++] = bytes[i];
    }
    memset(bytes + kept, 0, count - kept);
    return kept;
}

int ReadPort(HWND mainWindow, char *buffer, DWORD count, DWORD *countRead)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !buffer || !countRead || !state->port)
        return 0;
    memset(buffer, 0, count);
    *countRead = 0;
    DWORD read = 0;
    if (!ReadFile(state->port, buffer, count, &read, NULL)) {
        RecordFailure(mainWindow, GetLastError());
        return 0;
    }
    *countRead = DropNulBytes(buffer, read);
    return 1;
}

// Writes the bytes slice by slice and returns how many went out; at the
// first slice that fails, with its error code. A write that times out while
// the far end withholds CTS "succeeds" with fewer bytes; the rest did not go
// out, so that is a failure too.
static DWORD WriteSlices(HANDLE port, const char *bytes, DWORD count, DWORD *code)
{
    DWORD done = 0;
    while (done < count) {
        DWORD slice = std::min(count - done, kSliceBytes);
        DWORD written = 0;
        BOOL ok = WriteFile(port, bytes + done, slice, &written, NULL);
        DWORD error = ok ? ERROR_TIMEOUT : GetLastError();
        done += std::min(written, slice);
        if (!ok || written != slice) {
            *code = error;
            break;
        }
    }
    return done;
}

// One box at a time, whatever sent: a DDE client or a paste that keeps
// sending into a dead line would otherwise stack a box inside the loop of the
// box before it until the stack runs out.
static void ReportSendFailure(HWND mainWindow, DWORD code)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || state->sendFailureShown)
        return;
    state->sendFailureShown = 1;
    ShowFailure(mainWindow, IDS_SEND_FAILED, L"WriteFile", code);
    state = GetTerminalState(mainWindow);
    if (state)
        state->sendFailureShown = 0;
}

// While the port is waited for, nothing can go out: the send fails as a
// write to a vanished device does.
int WritePort(HWND mainWindow, const char *bytes, DWORD count, DWORD *countSent)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (countSent)
        *countSent = 0;
    if (!state)
        return 0;
    if (!IsPortInUse(mainWindow))
        return 1;
    DWORD code = ERROR_DEVICE_NOT_CONNECTED;
    DWORD sent = state->port ? WriteSlices(state->port, bytes, count, &code) : 0;
    if (countSent)
        *countSent = sent;
    if (sent == count)
        return 1;
    RecordFailure(mainWindow, code);
    if (InSendMessage())
        ReplyMessage(0);
    ReportSendFailure(mainWindow, code);
    return 0;
}
