#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/build_files.h"
#include "tests/support/windows_of_process.h"
#include "tests/textflow/focus_target.h"
#include "tests/textflow/textflow_fixture.h"
#include "textflow/daily_log.h"
#include "textflow/undo_capture.h"

namespace {

// The foreground application of these tests: another process whose edit
// control has the focus.
class FocusTarget {
public:
    explicit FocusTarget(const std::string &text) : process_()
    {
        std::string exe = VrkBuildFile("focus_target_peer.exe");
        std::string commandLine = "\"" + exe + "\" " + text;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                            &process_))
            return;
        edit_ = WaitForTopLevel(process_.dwProcessId, L"Edit", NULL, 10000);
        WaitFor([this] { return HasFocus(); });
    }
    ~FocusTarget()
    {
        if (!process_.hProcess)
            return;
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    FocusTarget(const FocusTarget &) = delete;
    FocusTarget &operator=(const FocusTarget &) = delete;

    // In the foreground with the keyboard focus.
    bool HasFocus() const
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return edit_ && GetForegroundWindow() == edit_ &&
               GetGUIThreadInfo(process_.dwThreadId, &info) && info.hwndFocus == edit_;
    }
    std::string Text() const { return TextOf(edit_); }
    HWND Window() const { return edit_; }
    // The caret, in the control's own units.
    DWORD Caret() const { return HIWORD(static_cast<DWORD>(SendMessageA(edit_, EM_GETSEL, 0, 0))); }

private:
    PROCESS_INFORMATION process_;
    HWND edit_ = NULL;
};

struct CaptureCase {
    const char *what;
    std::vector<std::string> chunks;
    std::string typed;
    std::string shown;
    int caret = -1;  // where the control's caret ends, when it matters
};

TEST(UndoCapture, MarkedLinesAreTypedIntoTheForegroundApplicationPieceByPiece)
{
    const CaptureCase cases[] = {
        {"one marked line", {"\x1D" "ABC\r\n"}, "ABCold", ""},
        {"two marked lines in one chunk", {"\x1D" "ABC\r\n\x1D" "DEF\r\n"}, "DEFABCold", ""},
        {"a line in two chunks", {"\x1D" "HEL", "LO\r\n"}, "HELLOold", ""},
        {"a line in three chunks", {"\x1D" "AB", "CD", "EF\r\n"}, "ABCDEFold", ""},
        {"marked lines among shown ones", {"one\r\n\x1D" "X\r\ntwo\r\n"}, "Xold", "one\r\ntwo\r\n"},
        {"a chunk's first byte starts a line", {"open", "\x1D" "Y\r\nmore"}, "Yold", "openmore"},
        {"a character split across chunks", {"\x1D" "A\x82", "\xA0" "B\r"}, "A\x82\xA0" "Bold", ""},
        {"a line ending only in a later chunk", {"\x1D" "Q", "\r\nshown\r\n"}, "Qold", "shown\r\n"},
        {"the marker alone moves the caret to the start", {"\x1D\r\n"}, "old", "", 0},
    };
    for (const CaptureCase &c : cases) {
        SCOPED_TRACE(c.what);
        FocusTarget target("old");
        ASSERT_TRUE(target.HasFocus());
        LoggedTerminal terminal;
        terminal.State()->enableUndo = 1;
        for (const std::string &chunk : c.chunks)
            terminal.Receive(chunk);
        EXPECT_EQ(c.typed, target.Text());
        if (c.caret >= 0) {
            EXPECT_EQ(static_cast<DWORD>(c.caret), target.Caret());
        }
        EXPECT_EQ(c.shown, terminal.Output());
        EXPECT_EQ(1, LogOutputPane(terminal.Window(), -1, -1));
        EXPECT_EQ(c.shown, terminal.Logs()) << "captured text never reaches the log";
    }
}

TEST(UndoCapture, EchoAndDdeTextAndTheRestOfALineAfterCaptureIsSwitchedOffAreShown)
{
    FocusTarget target("old");
    ASSERT_TRUE(target.HasFocus());
    LoggedTerminal terminal;
    TerminalState *state = terminal.State();
    ToggleUndoCapture(state);
    terminal.Show("\x1D" "echo\r");
    terminal.Receive("\x1D" "AB");
    ToggleUndoCapture(state);
    terminal.Receive("CD\r\n\x1D" "off\r\n");
    // Switched on again, the capture abandoned mid-line stays abandoned.
    ToggleUndoCapture(state);
    terminal.Receive("EF\r\n");
    EXPECT_EQ("ABold", target.Text());
    EXPECT_EQ("\x1D" "echo\r\nCD\r\n\x1D" "off\r\nEF\r\n", terminal.Output());
    ToggleUndoCapture(NULL);
}

TEST(UndoCapture, AHungForegroundApplicationHoldsTheTerminalOnlyBriefly)
{
    FocusTarget target("old");
    ASSERT_TRUE(target.HasFocus());
    LoggedTerminal terminal;
    terminal.State()->enableUndo = 1;
    // Hung for longer than the terminal may wait, so only a bounded wait passes.
    PostMessageA(target.Window(), kStopAnswering, 10000, 0);
    Sleep(100);
    DWORD start = GetTickCount();
    terminal.Receive("\x1D" "lost\r\nshown\r\n");
    EXPECT_LT(GetTickCount() - start, 4000u);
    EXPECT_EQ("shown\r\n", terminal.Output());
}

TEST(UndoCapture, WithTheTerminalInFrontTheTextGoesIntoItsOwnInputLine)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(terminal.Input());
    terminal.Pump(100);
    ASSERT_EQ(window, GetForegroundWindow());
    SetWindowTextA(terminal.Input(), "typed");
    terminal.State()->enableUndo = 1;
    terminal.Receive("\x1D" "host \r\n");
    EXPECT_EQ("host typed", TextOf(terminal.Input()));
    EXPECT_EQ("", terminal.Output());
}

}  // namespace
