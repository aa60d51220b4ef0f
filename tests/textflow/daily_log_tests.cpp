#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <functional>
#include <string>
#include <thread>

#include "tests/support/build_files.h"
#include "tests/support/message_boxes.h"
#include "tests/support/windows_of_process.h"
#include "tests/textflow/textflow_fixture.h"
#include "textflow/daily_log.h"

namespace {

const SYSTEMTIME kDay1 = DayOf(2026, 12, 5);
const SYSTEMTIME kDay2 = DayOf(2026, 12, 6);

TEST(DailyLog, EachWriteAppendsToTheFileOfItsDate)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    EXPECT_EQ(1, WriteDailyLogAt(window, "one\r\n", 5, kDay1));
    EXPECT_EQ(1, WriteDailyLogAt(window, "two\r\nunused", 5, kDay1));
    EXPECT_EQ(1, WriteDailyLogAt(window, "y2k\r\n", 5, DayOf(2000, 1, 1)));
    EXPECT_EQ("one\r\ntwo\r\n", terminal.LogFile("261205.LOG"));
    EXPECT_EQ("y2k\r\n", terminal.LogFile("000101.LOG"));
    EXPECT_EQ(2, terminal.LogFileCount());

    EXPECT_EQ(1, WriteDailyLog(window, "today", 5));
    EXPECT_EQ(3, terminal.LogFileCount()) << "the public write takes the local date";
}

TEST(DailyLog, NothingIsWrittenWithoutTextOrWithLoggingOff)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    EXPECT_EQ(0, WriteDailyLogAt(window, "", 0, kDay1));
    EXPECT_EQ(0, WriteDailyLogAt(window, NULL, 4, kDay1));
    EXPECT_EQ(0, WriteDailyLogAt(window, "text", 0, kDay1));
    EXPECT_EQ(0, WriteDailyLogAt(NULL, "text", 4, kDay1));
    terminal.State()->writeLog = 0;
    EXPECT_EQ(0, WriteDailyLogAt(window, "text", 4, kDay1));
    terminal.Show("shown\r");
    EXPECT_EQ(0, LogOutputPaneAt(window, -1, -1, kDay1));
    EXPECT_EQ(0, terminal.LogFileCount());
    EXPECT_EQ(NULL, terminal.State()->logBuffer) << "the pane is not even read";
}

TEST(DailyLog, AnEmptyPaneAtCloseTouchesNoFile)
{
    LoggedTerminal terminal;
    EXPECT_EQ(1, LogOutputPaneAt(terminal.Window(), -1, -1, kDay1));
    EXPECT_EQ(0, terminal.LogFileCount());
}

TEST(DailyLog, PaneRangesAreTheBytesBetweenThePanesOwnLinePositions)
{
    LoggedTerminal terminal;
    HWND pane = terminal.Pane();
    const std::string lines[] = {"\x82\xA0\x82\xA2\r\n", "\x88\x9F" "B\r\n", "C\x83\x7C\r\n", "tail"};
    for (const std::string &line : lines)
        terminal.Show(line);
    LONG second = static_cast<LONG>(SendMessageA(pane, EM_LINEINDEX, 1, 0));
    LONG fourth = static_cast<LONG>(SendMessageA(pane, EM_LINEINDEX, 3, 0));
    EXPECT_EQ(1, LogOutputPaneAt(terminal.Window(), second, fourth, kDay1));
    EXPECT_EQ(lines[1] + lines[2], terminal.Logs());

    EXPECT_EQ(1, LogOutputPaneAt(terminal.Window(), 0, second, kDay2));
    EXPECT_EQ(lines[0], terminal.LogFile("261206.LOG"));
    EXPECT_EQ(1, LogOutputPaneAt(terminal.Window(), second, second, kDay2));
    EXPECT_EQ(lines[0], terminal.LogFile("261206.LOG")) << "an empty range writes nothing";
    EXPECT_EQ(1, LogOutputPaneAt(terminal.Window(), -1, 0, kDay2));
    EXPECT_EQ(lines[0] + lines[0] + lines[1] + lines[2] + lines[3], terminal.LogFile("261206.LOG"));
}

TEST(DailyLog, ARunThroughMidnightWritesLaterTextToTheNextDaysFile)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    terminal.Show("before midnight\r\nafter midnight\r\nat close");
    LONG second = static_cast<LONG>(SendMessageA(terminal.Pane(), EM_LINEINDEX, 1, 0));
    LONG third = static_cast<LONG>(SendMessageA(terminal.Pane(), EM_LINEINDEX, 2, 0));
    EXPECT_EQ(1, LogOutputPaneAt(window, 0, second, kDay1));
    EXPECT_EQ(1, LogOutputPaneAt(window, second, third, kDay2));
    SendMessageA(terminal.Pane(), EM_SETSEL, 0, third);
    SendMessageA(terminal.Pane(), WM_CLEAR, 0, 0);
    EXPECT_EQ(1, LogOutputPaneAt(window, -1, -1, kDay2));
    EXPECT_EQ("before midnight\r\n", terminal.LogFile("261205.LOG"));
    EXPECT_EQ("after midnight\r\nat close", terminal.LogFile("261206.LOG"));
}

TEST(DailyLog, TheBufferGrowsToTheLargestTextAndStaysThatSize)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    TerminalState *state = terminal.State();
    EXPECT_EQ(NULL, state->logBuffer);
    EXPECT_EQ(0u, state->logBufferSize);
    terminal.Show(std::string(500, 'a'));
    LogOutputPaneAt(window, -1, -1, kDay1);
    EXPECT_EQ(501u, state->logBufferSize);
    EXPECT_EQ(501u, GlobalSize(state->logBuffer));
    SetWindowTextA(terminal.Pane(), "small");
    LogOutputPaneAt(window, -1, -1, kDay1);
    EXPECT_EQ(501u, state->logBufferSize);
    SetWindowTextA(terminal.Pane(), std::string(900, 'b').c_str());
    LogOutputPaneAt(window, -1, -1, kDay1);
    EXPECT_EQ(901u, state->logBufferSize);
    EXPECT_EQ(901u, GlobalSize(state->logBuffer));
    EXPECT_EQ(std::string(500, 'a') + "small" + std::string(900, 'b'), terminal.Logs());
}

TEST(DailyLog, AFileHeldByAnotherProgramOrAnOverlongPathLosesTheWriteSilently)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    ASSERT_EQ(1, WriteDailyLogAt(window, "kept\r\n", 6, kDay1));
    std::string path = terminal.LogDirectory() + "\\261205.LOG";
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    MessageBoxWatcher boxes;
    EXPECT_EQ(0, WriteDailyLogAt(window, "lost\r\n", 6, kDay1));
    CloseHandle(holder);
    EXPECT_EQ("kept\r\n", terminal.LogFile("261205.LOG"));

    std::string deep = "C:\\" + std::string(250, 'd') + "\\";
    lstrcpynA(terminal.State()->logDirectory, deep.c_str(), MAX_PATH);
    EXPECT_EQ(0, WriteDailyLogAt(window, "lost\r\n", 6, kDay1));
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST(DailyLog, LinesTrimmedWhileLoggingIsOffAreInNoFile)
{
    LoggedTerminal terminal;
    std::string early;
    for (int i = 0; i < 230; ++i)
        early += "early " + std::to_string(i) + "\r\n";
    terminal.State()->writeLog = 0;
    terminal.Receive(early);
    terminal.Receive("late\r\n");
    terminal.State()->writeLog = 1;
    EXPECT_EQ(1, LogOutputPane(terminal.Window(), -1, -1));
    std::string logged = terminal.Logs();
    EXPECT_EQ(std::string::npos, logged.find("early 0\r\n"));
    EXPECT_EQ(0u, logged.find("early 31\r\n"));
    EXPECT_NE(std::string::npos, logged.find("late\r\n"));
}

struct WindowSearch {
    const std::function<bool(HWND)> *matches;
    HWND found;
};

BOOL CALLBACK MatchVisibleWindow(HWND window, LPARAM lParam)
{
    auto *search = reinterpret_cast<WindowSearch *>(lParam);
    if (!IsWindowVisible(window) || !(*search->matches)(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

// The first visible top-level window that `matches`, waiting up to timeoutMs.
HWND WaitForWindow(const std::function<bool(HWND)> &matches, DWORD timeoutMs)
{
    WindowSearch search = {&matches, NULL};
    DWORD start = GetTickCount();
    while (!search.found && GetTickCount() - start < timeoutMs) {
        EnumWindows(MatchVisibleWindow, reinterpret_cast<LPARAM>(&search));
        Sleep(20);
    }
    return search.found;
}

// A dialog of this process other than `except`.
HWND WaitForOtherDialog(HWND except, DWORD timeoutMs)
{
    return WaitForWindow(
        [except](HWND window) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            return window != except && process == GetCurrentProcessId() && ClassOf(window) == kDialogClass;
        },
        timeoutMs);
}

std::string CurrentDirectory()
{
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, directory);
    return directory;
}

// What the operator saw in the file-open dialog, and what became of it.
struct DialogVisit {
    std::string folder;
    std::wstring fileType;
    bool refusedMissingFile = false;
};

// Plays the operator: looks at the dialog, tries a name that does not exist,
// then confirms `choice` or, when it is empty, cancels.
DialogVisit VisitOpenDialog(const std::string &choice)
{
    DialogVisit visit;
    HWND dialog = WaitForOtherDialog(NULL, 10000);
    if (!dialog)
        return visit;
    char folder[MAX_PATH] = "";
    SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    visit.folder = folder;
    HWND types = GetDlgItem(dialog, cmb1);
    wchar_t type[128] = L"";
    SendMessageW(types, CB_GETLBTEXT, SendMessageW(types, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(type));
    visit.fileType = type;

    SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>("no such file.log"));
    PressDialogButton(dialog, IDOK);
    if (HWND refusal = WaitForOtherDialog(dialog, 3000)) {
        visit.refusedMissingFile = IsWindow(dialog) != FALSE;
        PressDialogButton(refusal, IDOK);
        Sleep(200);
    }
    if (choice.empty()) {
        PressDialogButton(dialog, IDCANCEL);
    } else {
        SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(choice.c_str()));
        PressDialogButton(dialog, IDOK);
    }
    return visit;
}

HWND WaitForEditorShowing(const std::wstring &fileName, DWORD timeoutMs)
{
    return WaitForWindow(
        [&fileName](HWND window) { return WindowTextOf(window).find(fileName) != std::wstring::npos; },
        timeoutMs);
}

TEST(OpenLogFile, TheDialogStartsInTheLogDirectoryAndRestoresTheCurrentDirectory)
{
    LoggedTerminal terminal;
    std::string elsewhere = MakeTemporaryDirectory("vrkcwd");
    std::string before = CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.c_str()));
    ASSERT_EQ(1, WriteDailyLogAt(terminal.Window(), "logged\r\n", 8, kDay1));

    DialogVisit cancelled;
    std::thread operatorCancels([&] { cancelled = VisitOpenDialog(""); });
    OpenLogFile(terminal.Window());
    operatorCancels.join();
    EXPECT_EQ(terminal.LogDirectory(), cancelled.folder);
    EXPECT_EQ(L"Log files (*.log)", cancelled.fileType);
    EXPECT_TRUE(cancelled.refusedMissingFile);
    EXPECT_EQ(elsewhere, CurrentDirectory());

    DialogVisit confirmed;
    std::thread operatorChooses([&] { confirmed = VisitOpenDialog("261205.LOG"); });
    OpenLogFile(terminal.Window());
    operatorChooses.join();
    EXPECT_EQ(elsewhere, CurrentDirectory());
    HWND editor = WaitForEditorShowing(L"261205.LOG", 10000);
    EXPECT_NE(nullptr, editor) << "the editor shows the chosen log";
    if (editor)
        PostMessageW(editor, WM_CLOSE, 0, 0);

    SetCurrentDirectoryA(before.c_str());
    RemoveDirectoryTree(elsewhere);
}

}  // namespace
