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

// A run through the night into a new year; the year 2000 gives a name that
// begins with 00.
const SYSTEMTIME kNewYearsEve = {2030, 12, 2, 31, 23, 59, 59, 0};
const SYSTEMTIME kNewYear = {2031, 1, 3, 1, 0, 0, 0, 0};
const SYSTEMTIME kYear2000 = {2000, 1, 6, 1, 12, 0, 0, 0};

TEST(DailyLog, WritesAppendTheirBytesToTheFileOfTheDayTheyAreMade)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    EXPECT_EQ(1, WriteDailyLogAt(window, "y2k\r\nunused", 5, kYear2000));
    EXPECT_EQ(1, WriteDailyLog(window, "today", 5));
    EXPECT_EQ("y2k\r\n", terminal.LogFile("000101.LOG"));
    EXPECT_EQ("today", terminal.LogFile(TodaysLogName()));

    // Double-byte lines trimmed before midnight, trimmed after it, and closed.
    const std::string lines[] = {"\x82\xA0\x82\xA2\r\n", "\x88\x9F" "B\r\n", "C\x83\x7C\r\n", "tail"};
    for (const std::string &line : lines)
        terminal.Show(line);
    LONG second = static_cast<LONG>(SendMessageA(terminal.Pane(), EM_LINEINDEX, 1, 0));
    LONG fourth = static_cast<LONG>(SendMessageA(terminal.Pane(), EM_LINEINDEX, 3, 0));
    EXPECT_EQ(1, LogOutputPaneAt(window, 0, second, kNewYearsEve));
    EXPECT_EQ(1, LogOutputPaneAt(window, second, fourth, kNewYear));
    EXPECT_EQ(1, LogOutputPaneAt(window, second, second, kNewYear)) << "an empty range writes nothing";
    EXPECT_EQ(1, LogOutputPaneAt(window, -1, 0, kNewYear)) << "either position negative: the whole text";
    EXPECT_EQ(lines[0], terminal.LogFile("301231.LOG"));
    EXPECT_EQ(lines[1] + lines[2] + lines[0] + lines[1] + lines[2] + lines[3], terminal.LogFile("310101.LOG"));
    DWORD paneSize = static_cast<DWORD>(GetWindowTextLengthA(terminal.Pane())) + 1;
    EXPECT_EQ(paneSize, terminal.State()->logBufferSize);
    EXPECT_EQ(paneSize, GlobalSize(terminal.State()->logBuffer)) << "the size field is its block's";
}

TEST(DailyLog, NothingIsWrittenWithoutTextWhileLoggingIsOffOrWhileAnotherProgramHoldsTheFile)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    EXPECT_EQ(0, WriteDailyLogAt(window, "", 0, kNewYear));
    EXPECT_EQ(0, WriteDailyLogAt(window, NULL, 4, kNewYear));
    EXPECT_EQ(0, WriteDailyLogAt(window, "text", 0, kNewYear));
    EXPECT_EQ(0, WriteDailyLogAt(NULL, "text", 4, kNewYear));
    EXPECT_EQ(1, LogOutputPaneAt(window, -1, -1, kNewYear)) << "an empty pane at close";
    EXPECT_EQ("", terminal.Logs());

    // Lines trimmed while logging is off are in no file, even once it is on again.
    terminal.State()->writeLog = 0;
    std::string early;
    for (int i = 0; i < 230; ++i)
        early += "early " + std::to_string(i) + "\r\n";
    terminal.Receive(early);
    terminal.Receive("late\r\n");
    EXPECT_EQ(0, WriteDailyLogAt(window, "text", 4, kNewYear));
    EXPECT_EQ(0, LogOutputPaneAt(window, -1, -1, kNewYear));
    EXPECT_EQ("", terminal.Logs());
    EXPECT_EQ(1u, terminal.State()->logBufferSize) << "the pane is not even read";
    terminal.State()->writeLog = 1;
    EXPECT_EQ(1, LogOutputPaneAt(window, -1, -1, kNewYear));
    EXPECT_EQ(0u, terminal.Logs().find("early 31\r\n"));
    EXPECT_EQ(terminal.Output(), terminal.Logs());

    HANDLE holder = CreateFileA((terminal.LogDirectory() + "\\310101.LOG").c_str(), GENERIC_READ, 0, NULL,
                                OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    MessageBoxWatcher boxes;
    EXPECT_EQ(0, WriteDailyLogAt(window, "lost", 4, kNewYear));
    CloseHandle(holder);
    EXPECT_TRUE(boxes.Texts().empty()) << "the lost write is not reported";
    EXPECT_EQ(terminal.Output(), terminal.Logs());
}

std::string CurrentDirectory()
{
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, directory);
    return directory;
}

// Plays the operator: checks where the dialog starts and that it refuses a
// name that does not exist, then confirms `choice` or, when it is empty,
// cancels.
void VisitOpenDialog(const std::string &folder, const std::string &choice)
{
    HWND dialog = WaitForTopLevel(GetCurrentProcessId(), kDialogClass, NULL, 10000);
    ASSERT_NE(nullptr, dialog);
    char shown[MAX_PATH] = "";
    SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(folder, shown);
    EXPECT_EQ(L"Log files (*.log)", WindowTextOf(GetDlgItem(dialog, cmb1)));

    SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>("no such file.log"));
    PressDialogButton(dialog, IDOK);
    HWND refusal = WaitFor([dialog] {
        HWND popup = GetLastActivePopup(dialog);
        return popup != dialog ? popup : NULL;
    }, 3000);
    EXPECT_NE(nullptr, refusal) << "a file that does not exist is refused";
    PressDialogButton(refusal, IDOK);
    Sleep(200);
    SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(choice.c_str()));
    PressDialogButton(dialog, choice.empty() ? IDCANCEL : IDOK);
}

TEST(OpenLogFile, TheDialogStartsInTheLogDirectoryAndRestoresTheCurrentDirectory)
{
    LoggedTerminal terminal;
    std::string elsewhere = MakeTemporaryDirectory("vrkcwd");
    std::string before = CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.c_str()));
    ASSERT_EQ(1, WriteDailyLogAt(terminal.Window(), "logged\r\n", 8, kNewYear));

    for (const char *choice : {"", "310101.LOG"}) {
        std::thread operatorVisits(VisitOpenDialog, terminal.LogDirectory(), choice);
        OpenLogFile(terminal.Window());
        operatorVisits.join();
        EXPECT_EQ(elsewhere, CurrentDirectory()) << (*choice ? "confirmed" : "cancelled");
    }
    HWND editor = WaitFor([] {
        HWND notepad = FindWindowW(L"Notepad", NULL);
        return notepad && WindowTextOf(notepad).find(L"310101.LOG") != std::wstring::npos ? notepad : NULL;
    }, 10000);
    EXPECT_NE(nullptr, editor) << "the editor shows the chosen log";
    PostMessageW(editor, WM_CLOSE, 0, 0);

    SetCurrentDirectoryA(before.c_str());
    RemoveDirectoryTree(elsewhere);
}

}  // namespace
