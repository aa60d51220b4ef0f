// The real main window created inside the test program: real panes, real
// record, the product's own code; the Connect dialogs are not run.
#pragma once

#include <windows.h>

#include <string>

#include "core/terminal_state.h"

class InProcessTerminal {
public:
    // iniText is written to the settings file that the test program's own
    // name selects, before the window reads it.
    explicit InProcessTerminal(const char *iniText = "[VRK]\r\nDdeServiceName=\r\n");
    ~InProcessTerminal();
    InProcessTerminal(const InProcessTerminal &) = delete;
    InProcessTerminal &operator=(const InProcessTerminal &) = delete;

    HWND Window() const { return window_; }
    TerminalState *State() const { return GetTerminalState(window_); }
    // Dispatches this thread's messages for the given time.
    void Pump(DWORD milliseconds);
    // Opens COMport; the success box is closed by a watcher thread.
    bool OpenPortQuietly(int port);
    // Text of the output pane.
    std::string Output() const;

private:
    HWND window_;
};

std::string IniPathOfThisProgram();
