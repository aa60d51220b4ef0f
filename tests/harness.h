// What the in-process tests stand on: the real main window created inside the
// test program (real panes, real record, the product's own code), its logs in
// a directory of the test's own, and a watcher for the dialogs whose modal
// loops hold the test's thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/terminal_state.h"
#include "tools/driving/files.h"

// The text of a window of this thread, in Shift-JIS as the line carries it,
// and the same the other way.
std::string TextOf(HWND window);
void SetTextOf(HWND window, const std::string &text);

class LocalTerminal {
public:
    // iniText goes to the settings file that the test program's name selects.
    explicit LocalTerminal(const std::string &iniText = "[VRK]\r\nDdeServiceName=\r\n");
    ~LocalTerminal();
    LocalTerminal(const LocalTerminal &) = delete;
    LocalTerminal &operator=(const LocalTerminal &) = delete;

    HWND window;
    TerminalState *State() const { return GetTerminalState(window); }
    HWND Pane() const { return State()->outputEdit; }
    HWND Input() const { return State()->inputEdit; }
    // Opens COMport at 9600 baud; the box that reports it is closed.
    bool OpenPort(int port);
    // Hands bytes over as the poll does (carried lead byte first), arrived
    // now or at the given time, or as echo and DDE text do (no carry, no
    // capture).
    void Receive(const std::string &bytes, const SYSTEMTIME *arrived = nullptr);
    void Show(const std::string &bytes);
    std::string PaneText() const { return TextOf(Pane()); }
    std::string LogDirectory() const { return logDirectory_ + "\\"; }
    std::string Logs() const { return ConcatenatedLogs(logDirectory_); }

private:
    std::string logDirectory_;
};

// Dispatches this thread's messages for the given time.
void Pump(DWORD milliseconds);

// Asks done() every few milliseconds, dispatching meanwhile, until it is true
// or timeoutMs pass; returns its last answer.
bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs = 3000);

// A hidden top-level window of this thread, as the programs the terminal
// talks to have, whose procedure finds object in the window's user data.
HWND CreateOwnedWindow(const char *className, WNDPROC procedure, void *object);

// Runs open() on this thread, where it sits in a dialog's loop, while another
// thread waits for a dialog of this process titled title (any when NULL) and
// hands it to answer(), which must close it. False when none showed up.
bool WithDialog(const wchar_t *title, const std::function<void()> &open,
                const std::function<void(HWND dialog)> &answer);
