// Driving the terminal's own windows from inside the test program.
#pragma once

#include <windows.h>

#include <functional>
#include <ostream>

#include <gtest/gtest.h>

#include "app/dialog_centring.h"
#include "tests/support/in_process_terminal.h"

// Runs `open` on this thread, where it sits in the dialog's own message loop,
// while another thread waits for a dialog of this process titled `title` (any
// title when NULL) and hands it to `answer`, which must close it. False when
// no such dialog showed up.
bool WithDialog(const wchar_t *title, const std::function<void()> &open,
                const std::function<void(HWND dialog)> &answer);

// Sends a menu (code 0) or accelerator (code 1) command to the main window.
LRESULT SendCommand(HWND mainWindow, UINT command, UINT code = 0);

bool operator==(const RECT &a, const RECT &b);
void PrintTo(const RECT &rect, std::ostream *out);

RECT ClientRectOf(HWND window);
// The window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND window);

// The real main window, shown, with the dialog-centring hook installed as the
// program's main function does.
class ShownTerminal : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, State());
        InstallDialogCentring();
        ShowWindow(Window(), SW_SHOWNORMAL);
        SetForegroundWindow(Window());
        terminal.Pump(50);
    }
    void TearDown() override { RemoveDialogCentring(); }
    HWND Window() const { return terminal.Window(); }
    TerminalState *State() const { return terminal.State(); }

    InProcessTerminal terminal;
};
