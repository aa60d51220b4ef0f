#include "tests/support/in_process_terminal.h"

#include <vector>

#include "app/main_window.h"
#include "core/program_identity.h"
#include "serial/serial_port.h"
#include "tests/support/build_files.h"
#include "tests/support/message_boxes.h"

std::string IniPathOfThisProgram()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string ini = path;
    return ini.substr(0, ini.find_last_of('.')) + ".ini";
}

InProcessTerminal::InProcessTerminal(const char *iniText) : window_(NULL)
{
    if (iniText)
        WriteWholeFile(IniPathOfThisProgram(), iniText);
    else
        DeleteFileA(IniPathOfThisProgram().c_str());
    HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSA existing;
    if (!GetClassInfoA(instance, kMainClassName, &existing))
        RegisterMainWindowClass(instance);
    window_ = CreateMainWindow(instance);
    // The window queues its first command (the Connect dialogs); tests open
    // the port themselves.
    MSG message;
    while (PeekMessageA(&message, window_, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
    }
}

InProcessTerminal::~InProcessTerminal()
{
    if (IsWindow(window_))
        DestroyWindow(window_);
    // Swallow the quit message the window posts, so the next test's pumps run.
    MSG message;
    while (PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void InProcessTerminal::Pump(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

bool InProcessTerminal::OpenPortQuietly(int port)
{
    TerminalState *state = State();
    if (!state)
        return false;
    state->portIndex = port - 1;
    MessageBoxWatcher watcher;
    return OpenPort(window_) == 1;
}

std::string InProcessTerminal::Output() const
{
    TerminalState *state = State();
    if (!state)
        return "";
    int length = GetWindowTextLengthA(state->outputEdit);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    GetWindowTextA(state->outputEdit, text.data(), length + 1);
    return std::string(text.data());
}
