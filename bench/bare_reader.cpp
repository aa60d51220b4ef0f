// The least a Windows program can spend on a line's text under Wine: it opens
// the port as the terminal does, takes whatever the port holds every 300 ms
// and throws it away. The receive benchmark measures it beside the terminal
// as the floor. With --window it reads from a window's timer instead, with a
// focused edit control blinking its caret: idle, that is the floor for the
// terminal's idle cost.
//
//   bare_reader PORT BAUD [--window]
//
// The count of bytes read so far is kept in shared memory (bare_reader.h), so
// that the benchmark sees when the reader has drained.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/bare_reader.h"

namespace {

const DWORD kPollMs = 300;
const DWORD kQueueSize = 4096;
const UINT_PTR kTimerId = 1;

struct Reader {
    HANDLE port = INVALID_HANDLE_VALUE;
    volatile LONG64 *count = NULL;
};

Reader g_reader;

// The terminal's line settings: 8N1, RTS/CTS handshake, DTR on, reads that
// never wait.
HANDLE OpenPort(int number, DWORD baudRate)
{
    char device[32];
    snprintf(device, sizeof device, "\\\\.\\COM%d", number);
    HANDLE port = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (port == INVALID_HANDLE_VALUE)
        return port;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = baudRate;
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!SetupComm(port, kQueueSize, kQueueSize) || !SetCommTimeouts(port, &timeouts) || !SetCommState(port, &dcb)) {
        CloseHandle(port);
        return INVALID_HANDLE_VALUE;
    }
    return port;
}

// Everything the port holds, a queue's worth at a time.
void ReadAll()
{
    static char bytes[kQueueSize];
    DWORD read = 0;
    do {
        if (!ReadFile(g_reader.port, bytes, sizeof bytes, &read, NULL))
            return;
        InterlockedExchangeAdd64(g_reader.count, read);
    } while (read == sizeof bytes);
}

LRESULT CALLBACK ReaderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        ReadAll();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

int ReadFromWindow()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ReaderWindowProc;
    windowClass.hInstance = GetModuleHandleW(NULL);
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"BareReader";
    if (!RegisterClassW(&windowClass))
        return 1;
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"bare reader", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 400, 200, NULL, NULL, windowClass.hInstance, NULL);
    HWND edit = window ? CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 10, 360, 24,
                                         window, NULL, windowClass.hInstance, NULL)
                       : NULL;
    if (!edit || !SetTimer(window, kTimerId, kPollMs, NULL))
        return 1;
    SetForegroundWindow(window);
    SetFocus(edit);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

int ReadWithSleep()
{
    for (;;) {
        Sleep(kPollMs);
        ReadAll();
    }
}

}  // namespace

int main(int argc, char **argv)
{
    const bool window = argc == 4 && std::strcmp(argv[3], "--window") == 0;
    if (argc != 3 && !window) {
        fprintf(stderr, "usage: bare_reader PORT BAUD [--window]\n");
        return 2;
    }
    // The count appears once the port is open, so the benchmark may start.
    g_reader.port = OpenPort(std::atoi(argv[1]), static_cast<DWORD>(std::atol(argv[2])));
    HANDLE shared = g_reader.port == INVALID_HANDLE_VALUE
                        ? NULL
                        : CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(LONG64),
                                             kReaderCountName);
    g_reader.count = shared ? static_cast<volatile LONG64 *>(MapViewOfFile(shared, FILE_MAP_WRITE, 0, 0, 0)) : NULL;
    if (!g_reader.count) {
        fprintf(stderr, "bare_reader: cannot share the count or open COM%s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    return window ? ReadFromWindow() : ReadWithSleep();
}
