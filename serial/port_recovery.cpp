#include "serial/port_recovery.h"

#include <dbt.h>

#include <algorithm>
#include <cstddef>

#include "core/program_identity.h"
#include "core/terminal_state.h"
#include "serial/port_name.h"
#include "serial/serial_port.h"

// Opening a USB adapter's port too soon after it comes back can be refused,
// so the first try waits for about two seconds of poll ticks. A port that is
// present but refuses every open is tried ever more rarely: about a second
// after the first failed try, then twice as long after each, up to half a
// minute. The open runs on the window's thread, and some ports block in it
// while their device is away (a Bluetooth port, for seconds).
static const LONG kSettleTicks = 2000 / kPollIntervalMs + 1;
static const LONG kFirstTryGap = 1000 / kPollIntervalMs;
static const LONG kLongestTryGap = 30000 / kPollIntervalMs;
// More than any port broadcast needs; the rest of a longer one is not read.
static const DWORD kBroadcastLimit = 512;

// Newer Windows SDKs name it; MinGW-w64's headers do not yet.
#ifndef ERROR_NO_SUCH_DEVICE
#define ERROR_NO_SUCH_DEVICE 433L
#endif

// What drivers answer once their device has been unplugged, or the port
// otherwise can no longer be used through this handle.
static bool IsVanishedDeviceError(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_NO_SUCH_DEVICE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
        return true;
    default:
        return false;
    }
}

int IsPortWaiting(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    return state && state->portLost ? 1 : 0;
}

// Back to the first pace: settled first, then a try about every second.
static void RestartTries(TerminalState *state)
{
    state->portTicksToTry = kSettleTicks;
    state->portTryGap = kFirstTryGap;
}

static void StartWaiting(HWND mainWindow, TerminalState *state)
{
    state->portLost = 1;
    RestartTries(state);
    PostMessageW(mainWindow, kPortStateMessage, 0, 0);
}

static void LosePort(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->autoReconnect || !state->port)
        return;
    ClosePort(mainWindow);
    StartWaiting(mainWindow, state);
}

void WaitForPort(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (state && !state->port)
        StartWaiting(mainWindow, state);
}

// Judges the last failure the open port reported, and its status: some
// drivers go on reading nothing, successfully, from a device that is gone.
static void CheckOpenPort(HWND mainWindow, const TerminalState *state)
{
    if (IsVanishedDeviceError(TakePortFailure(mainWindow)) ||
        (state->autoReconnect && IsVanishedDeviceError(QueryPortFailure(mainWindow))))
        LosePort(mainWindow);
}

// The port's name as a device broadcast gives it, read no further than the
// size the broadcast declares; a Unicode window is given the wide form.
static bool ReadBroadcastPortName(HWND mainWindow, LPARAM data, char *name, std::size_t size)
{
    const auto *header = reinterpret_cast<const DEV_BROADCAST_HDR *>(data);
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_PORT_A, dbcp_name);
    if (!header || header->dbch_size < sizeof *header || header->dbch_devicetype != DBT_DEVTYP_PORT ||
        header->dbch_size <= nameOffset)
        return false;
    std::size_t bytes = std::min<DWORD>(header->dbch_size, kBroadcastLimit) - nameOffset;
    const BYTE *text = reinterpret_cast<const BYTE *>(header) + nameOffset;
    bool wide = IsWindowUnicode(mainWindow) != 0;
    std::size_t count = std::min(wide ? bytes / sizeof(WCHAR) : bytes, size - 1);
    for (std::size_t i = 0; i < count; ++i) {
        // Only an ASCII character can belong to a port's name.
        WCHAR unit = wide ? reinterpret_cast<const WCHAR *>(text)[i] : text[i];
        name[i] = unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    name[count] = '\0';
    return true;
}

void HandleDeviceChange(HWND mainWindow, WPARAM event, LPARAM data)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    char name[32];
    if (state && state->port && event == DBT_DEVICEREMOVECOMPLETE &&
        ReadBroadcastPortName(mainWindow, data, name, sizeof name) &&
        IsNameOfPort(name, sizeof name, state->portIndex))
        LosePort(mainWindow);
}

// A USB adapter rarely survives the sleep with its handle: the port is let
// go before it, and after it checked and taken up again once it has settled.
void HandlePowerEvent(HWND mainWindow, WPARAM event)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    if (event == PBT_APMSUSPEND)
        LosePort(mainWindow);
    if (event != PBT_APMRESUMEAUTOMATIC && event != PBT_APMRESUMESUSPEND)
        return;
    RestartTries(state);
    CheckOpenPort(mainWindow, state);
}

// The system keeps a name for each port present; Wine keeps one for every
// port it maps, present or not, and there the tries themselves tell.
static bool IsPortPresent(LONG portIndex)
{
    char name[24];
    char target[MAX_PATH];
    MakePortName(portIndex, name, sizeof name);
    return QueryDosDeviceA(name, target, sizeof target) != 0 || GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// While the port is absent nothing is tried, and its return starts the pace
// afresh.
static void TryLostPort(HWND mainWindow, TerminalState *state)
{
    if (!IsPortPresent(state->portIndex)) {
        RestartTries(state);
        return;
    }
    if (--state->portTicksToTry > 0)
        return;
    if (ReopenPort(mainWindow)) {
        state->portLost = 0;
        PostMessageW(mainWindow, kPortStateMessage, 0, 0);
        return;
    }
    state->portTicksToTry = state->portTryGap;
    state->portTryGap = std::min(2 * state->portTryGap, kLongestTryGap);
}

void WatchPort(HWND mainWindow, UINT_PTR timerId)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !timerId || timerId != state->timerId)
        return;
    if (state->port)
        CheckOpenPort(mainWindow, state);
    else if (state->portLost)
        TryLostPort(mainWindow, state);
}

void OpenSavedPortOrWait(HWND mainWindow)
{
    if (ReopenPort(mainWindow))
        PostMessageW(mainWindow, kPortStateMessage, 0, 0);
    else
        WaitForPort(mainWindow);
}
