#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <string>
#include <thread>

#include "tests/support/build_files.h"
#include "tests/support/message_boxes.h"
#include "tests/support/windows_of_process.h"
#include "tests/textflow/textflow_fixture.h"
#include "textflow/daily_log.h"

namespace {

SYSTEMTIME DayOf(WORD year, WORD month, WORD day)
{
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    return time;
}

const SYSTEMTIME kDay1 = DayOf(2026, 12, 5);
const SYSTEMTIME kDay2 = DayOf(2026, 12, 6);

TEST(DailyLog, EachWriteAppendsItsBytesToTheFileOfItsDate)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    EXPECT_EQ(1, WriteDailyLogAt(window, "one\r\n", 5, kDay1));
    EXPECT_EQ(1, WriteDailyLogAt(window, "two\r\nunused", 5, kDay1));
    EXPECT_EQ(1, WriteDailyLogAt(window, "y2k\r\n", 5, DayOf(2000, 1, 1)));
    EXPECT_EQ("one\r\ntwo\r\n", terminal.LogFile("261205.LOG"));
    EXPECT_EQ("y2k\r\n", terminal.LogFile("000101.LOG"));
    EXPECT_EQ(2u, terminal.LogFileCount());

    EXPECT_EQ(1, WriteDailyLog(window, "today", 5));
    EXPECT_EQ(3u, terminal.LogFileCount()) << "the public write takes the local date";
}

TEST(DailyLog, NothingIsWrittenWithoutTextOrWhileLoggingIsOff)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    EXPECT_EQ(0, WriteDailyLogAt(window, "", 0, kDay1));
    EXPECT_EQ(0, WriteDailyLogAt(window, NULL, 4, kDay1));
    EXPECT_EQ(0, WriteDailyLogAt(window, "text", 0, kDay1));
    EXPECT_EQ(0, WriteDailyLogAt(NULL, "text", 4, kDay1));
    EXPECT_EQ(1, LogOutputPaneAt(window, -1, -1, kDay1)) << "an empty pane at close";
    EXPECT_EQ(0u, terminal.LogFileCount());

    // Lines trimmed while logging is off are in no file, even once it is on again.
    terminal.State()->writeLog = 0;
    std::string early;
    for (int i = 0; i < 230; ++i)
        early += "early " + std::to_string(i) + "\r\n";
    terminal.Receive(early);
    terminal.Receive("late\r\n");
    EXPECT_EQ(0, WriteDailyLogAt(window, "text", 4, kDay1));
    EXPECT_EQ(0, LogOutputPaneAt(window, -1, -1, kDay1));
    EXPECT_EQ(0u, terminal.LogFileCount());
    EXPECT_EQ(1u, terminal.State()->logBufferSize) << "the pane is not even read";
    terminal.State()->writeLog = 1;
    EXPECT_EQ(1, LogOutputPane(window, -1, -1));
    EXPECT_EQ(0u, terminal.Logs().find("early 31\r\n"));
    EXPECT_EQ(terminal.Output(), terminal.Logs());
}

TEST(DailyLog, PaneRangesGoByteExactToTheFileOfTheDayTheyAreWritten)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    const std::string lines[] = {"\x82\xA0\x82\xA2\r\n", "\x88\x9F" "B\r\n", "C\x83\x7C\r\n", "tail"};
    for (const std::string &line : lines)
        terminal.Show(line);
    LONG second = static_cast<LONG>(SendMessageA(terminal.Pane(), EM_LINEINDEX, 1, 0));
    LONG fourth = static_cast<LONG>(SendMessageA(terminal.Pane(), EM_LINEINDEX, 3, 0));
    // A trim before midnight, one after it, and the close.
    EXPECT_EQ(1, LogOutputPaneAt(window, 0, second, kDay1));
    EXPECT_EQ(1, LogOutputPaneAt(window, second, fourth, kDay2));
    EXPECT_EQ(1, LogOutputPaneAt(window, second, second, kDay2)) << "an empty range writes nothing";
    EXPECT_EQ(1, LogOutputPaneAt(window, -1, 0, kDay2)) << "either position negative: the whole text";
    EXPECT_EQ(lines[0], terminal.LogFile("261205.LOG"));
    EXPECT_EQ(lines[1] + lines[2] + lines[0] + lines[1] + lines[2] + lines[3], terminal.LogFile("261206.LOG"));
}

TEST(DailyLog, TheLogBufferGrowsToTheLargestTextWithItsSizeEqualToItsBlock)
{
    LoggedTerminal terminal;
    TerminalState *state = terminal.State();
    const std::string texts[] = {std::string(500, 'a'), "small", std::string(900, 'b')};
    for (const std::string &text : texts) {
        SetWindowTextA(terminal.Pane(), text.c_str());
        LogOutputPaneAt(terminal.Window(), -1, -1, kDay1);
    }
    EXPECT_EQ(901u, state->logBufferSize);
    EXPECT_EQ(901u, GlobalSize(state->logBuffer));
    EXPECT_EQ(texts[0] + texts[1] + texts[2], terminal.Logs());
}

TEST(DailyLog, AFileHeldByAnotherProgramLosesTheWriteSilently)
{
    LoggedTerminal terminal;
    ASSERT_EQ(1, WriteDailyLogAt(terminal.Window(), "kept\r\n", 6, kDay1));
    std::string path = terminal.LogDirectory() + "\\261205.LOG";
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    MessageBoxWatcher boxes;
    EXPECT_EQ(0, WriteDailyLogAt(terminal.Window(), "lost\r\n", 6, kDay1));
    CloseHandle(holder);
    EXPECT_EQ("kept\r\n", terminal.LogFile("261205.LOG"));
    EXPECT_TRUE(boxes.Texts().empty());
}

template <typename Found>
HWND WaitFor(Found found, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    HWND window = found();
    for (; !window && GetTickCount() - start < timeoutMs; window = found())
        Sleep(20);
    return window;
}

struct TitleSearch {
    std::wstring part;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM lParam)
{
    auto *search = reinterpret_cast<TitleSearch *>(lParam);
    if (!IsWindowVisible(window) || WindowTextOf(window).find(search->part) == std::wstring::npos)
        return TRUE;
    search->found = window;
    return FALSE;
}

// A visible top-level window of any process whose title holds `part`.
HWND WindowTitled(const std::wstring &part)
{
    TitleSearch search = {part, NULL};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string CurrentDirectory()
{
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, directory);
    return directory;
}

// What the operator saw in the file-open dialog.
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
    HWND dialog = WaitForTopLevel(GetCurrentProcessId(), kDialogClass, NULL, 10000);
    if (!dialog)
        return visit;
    char folder[MAX_PATH] = "";
    SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    visit.folder = folder;
    visit.fileType = WindowTextOf(GetDlgItem(dialog, cmb1));

    SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>("no such file.log"));
    PressDialogButton(dialog, IDOK);
    HWND refusal = WaitFor([dialog] {
        HWND popup = GetLastActivePopup(dialog);
        return popup != dialog ? popup : NULL;
    }, 3000);
    if (refusal) {
        visit.refusedMissingFile = true;
        PressDialogButton(refusal, IDOK);
        Sleep(200);
    }
    SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(choice.c_str()));
    PressDialogButton(dialog, choice.empty() ? IDCANCEL : IDOK);
    return visit;
}

TEST(OpenLogFile, TheDialogStartsInTheLogDirectoryAndRestoresTheCurrentDirectory)
{
    LoggedTerminal terminal;
    std::string elsewhere = MakeTemporaryDirectory("vrkcwd");
    std::string before = CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.c_str()));
    ASSERT_EQ(1, WriteDailyLogAt(terminal.Window(), "logged\r\n", 8, kDay1));

    for (const char *choice : {"", "261205.LOG"}) {
        SCOPED_TRACE(*choice ? "confirmed" : "cancelled");
        DialogVisit visit;
        std::thread operatorVisits([&] { visit = VisitOpenDialog(choice); });
        OpenLogFile(terminal.Window());
        operatorVisits.join();
        EXPECT_EQ(terminal.LogDirectory(), visit.folder);
        EXPECT_EQ(L"Log files (*.log)", visit.fileType);
        EXPECT_TRUE(visit.refusedMissingFile);
        EXPECT_EQ(elsewhere, CurrentDirectory());
    }
    HWND editor = WaitFor([] { return WindowTitled(L"261205.LOG"); }, 10000);
    EXPECT_NE(nullptr, editor) << "the editor shows the chosen log";
    if (editor)
        PostMessageW(editor, WM_CLOSE, 0, 0);

    SetCurrentDirectoryA(before.c_str());
    RemoveDirectoryTree(elsewhere);
}

}  // namespace
