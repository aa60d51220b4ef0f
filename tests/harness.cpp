#include "tests/harness.h"

#include <thread>

#include "app/main_window.h"
#include "core/program_identity.h"
#include "serial/serial_port.h"
#include "textflow/output_pane.h"
#include "tools/driving/files.h"
#include "tools/driving/window_search.h"

LocalTerminal::LocalTerminal(const std::string &iniText) : window(NULL), logDirectory_(MakeTemporaryDirectory("log"))
{
    // The settings file is named after the running program.
    WriteWholeFile(BuildFile("vrk_tests.ini"), iniText);
    HINSTANCE instance = GetModuleHandleW(NULL);
    WNDCLASSW known;
    if (!GetClassInfoW(instance, kMainClassName, &known))
        RegisterMainWindowClass(instance);
    window = CreateMainWindow(instance);
    // The tests open the port themselves: the queued Connect is dropped.
    MSG message;
    while (PeekMessageW(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
    }
    if (State())
        MultiByteToWideChar(CP_ACP, 0, LogDirectory().c_str(), -1, State()->logDirectory, MAX_PATH);
}

LocalTerminal::~LocalTerminal()
{
    if (IsWindow(window))
        DestroyWindow(window);
    // The quit message the window posts must not stop the next test's pumps.
    MSG message;
    while (PeekMessageW(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    RemoveDirectoryTree(logDirectory_);
}

bool LocalTerminal::OpenPort(int port)
{
    State()->portIndex = port - 1;
    State()->baudRate = 9600;
    std::thread answer([] { AnswerMessageBox(GetCurrentProcessId()); });
    bool opened = ::OpenPort(window) == 1;
    answer.join();
    return opened;
}

void LocalTerminal::Receive(const std::string &bytes, const SYSTEMTIME *arrived)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string chunk = (State()->leadByteCarry ? std::string(1, State()->leadByteCarry) : "") + bytes;
    AppendOutputAt(Pane(), &chunk[0], &State()->leadByteCarry, arrived ? *arrived : now);
}

void LocalTerminal::Show(const std::string &bytes)
{
    std::string text = bytes;
    AppendOutput(Pane(), &text[0], NULL);
}

void Pump(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(5);
    }
}

std::string TextOf(HWND window)
{
    std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    wide.resize(static_cast<size_t>(GetWindowTextW(window, &wide[0], static_cast<int>(wide.size()))));
    std::string text(wide.size() * 2, '\0');
    text.resize(static_cast<size_t>(WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), &text[0],
                                                        static_cast<int>(text.size()), NULL, NULL)));
    return text;
}

void SetTextOf(HWND window, const std::string &text)
{
    std::wstring wide(text.size() + 1, L'\0');
    MultiByteToWideChar(932, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    SetWindowTextW(window, wide.c_str());
}

HWND CreateOwnedWindow(const char *className, WNDPROC procedure, void *object)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA(className, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    return window;
}

bool WithDialog(const wchar_t *title, const std::function<void()> &open,
                const std::function<void(HWND dialog)> &answer)
{
    bool found = false;
    std::thread watcher([&] {
        HWND dialog = WaitForTopLevel(GetCurrentProcessId(), kDialogClass, title, 5000);
        found = dialog != NULL;
        if (found)
            answer(dialog);
    });
    open();
    watcher.join();
    return found;
}
