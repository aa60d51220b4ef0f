// Received text on its way to the pane, the daily log and other programs, on
// the real edit controls.
#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>

#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/program_identity.h"
#include "tests/harness.h"
#include "textflow/daily_log.h"
#include "textflow/log_file_name.h"
#include "textflow/output_pane.h"
#include "textflow/undo_capture.h"
#include "tools/driving/files.h"
#include "tools/driving/programs.h"
#include "tools/driving/window_search.h"

namespace {

std::string NumberedLines(int from, int to)
{
    std::string lines;
    for (int i = from; i < to; ++i)
        lines.append("L").append(std::to_string(1000 + i)).append("\r\n");
    return lines;
}

// The log holds what is shown, in the pane's form, as the bytes came, when
// it is shown: a character split between chunks whole once it is, and bytes
// that the screen shows otherwise as they are.
TEST(TextFlow, ChunksBecomeLinesAndReachTheLogAsTheyCame)
{
    // chunks received one after the other, and the pane after each
    const std::vector<std::vector<std::pair<std::string, std::string>>> cases = {
        {{"ABC\r\nDEF", "ABC\r\nDEF"}, {"GH\r", "ABC\r\nDEFGH\r\n"}},
        {{"\n\n\n", ""}, {"\r", "\r\n"}},
        {{"A\x82", "A"}, {"\xA0\r", "A\x82\xA0\r\n"}},
        {{"\x81\x81\x81", "\x81\x81"}, {"\x81" "B", "\x81\x81\x81\x81" "B"}},
        {{"\x1d" "ABC\r", "\x1d" "ABC\r\n"}},
        // NEC's duplicate symbols, IBM's extensions and broken pairs come
        // back from the screen as other codes.
        {{"\x87\x90\x87\x54\xED\x40\xFA\x4A\xFA\x54\x81\x20\x85\x40\x80\xFD\r",
          "\x81\xE0\x87\x54\xFA\x5C\x87\x54\x81\xCA\x81\x45\x81\x45\x80\xFD\r\n"}},
    };
    for (const auto &chunks : cases) {
        LocalTerminal terminal;
        std::string received;
        for (const auto &[chunk, pane] : chunks) {
            terminal.Receive(chunk);
            received += chunk;
            std::string logged = AsLogged(received);
            logged.resize(logged.size() - (terminal.State()->leadByteCarry ? 1 : 0));
            EXPECT_EQ(pane, terminal.PaneText()) << chunk;
            EXPECT_EQ(logged, terminal.Logs()) << chunk;
        }
    }
    // A lead byte before a line end, or at the end of echo or DDE text, shows
    // as "・", and the line still ends there.
    LocalTerminal terminal;
    terminal.Receive("A\x82\r");
    EXPECT_EQ(0, terminal.State()->leadByteCarry);
    terminal.Show("B\x82");
    EXPECT_EQ("A\x81\x45\r\nB\x81\x45", terminal.PaneText());
    EXPECT_EQ("A\x82\r\nB\x82", terminal.Logs());
}

// Trimming only trims, and a close adds nothing: the text was logged when it
// was shown.
TEST(TextFlow, PastTwoHundredTwentyLinesTheOldestGoAndTheLogHoldsEachOnce)
{
    LocalTerminal terminal;
    terminal.Receive(NumberedLines(0, 220));
    terminal.Receive("X");
    EXPECT_EQ(NumberedLines(21, 220) + "X", terminal.PaneText());
    // A chunk goes in whole, however many lines it brings; the next one trims.
    terminal.Receive("\r\n" + NumberedLines(300, 600));
    EXPECT_EQ(NumberedLines(21, 220) + "X\r\n" + NumberedLines(300, 600), terminal.PaneText());
    terminal.Receive("Y");
    EXPECT_EQ(200, SendMessageA(terminal.Pane(), EM_GETLINECOUNT, 0, 0));
    // An edit control keeps about 30,000 characters unless told otherwise; the
    // pane keeps what it is given, in slices that never split a character.
    std::string wide = std::string(2 * kReceiveBufferSize - 2, 'w');
    while (wide.size() < 70000)
        wide += "\x82\xA0";
    terminal.Receive(wide);
    EXPECT_EQ(wide, terminal.PaneText().substr(terminal.PaneText().size() - wide.size()));
    SendMessageW(terminal.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(NumberedLines(0, 220) + "X\r\n" + NumberedLines(300, 600) + "Y" + wide == terminal.Logs());
}

// ASCII, half-width kana, and double-byte characters whose second byte is
// ASCII, a backslash, or itself a lead-byte value.
TEST(TextFlow, EveryByteShownReachesTheLogOnceAndInOrder)
{
    const char *const characters[] = {"a", " ", "~", "\xB1", "\x83\x40", "\x83\x5C", "\x88\xFC", "\x81\x81"};
    const char *const lineEnds[] = {"\r\n", "\r", "\n\r", "\r\n\n"};
    std::mt19937 random(7);
    const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::string sent, shown;
    for (int line = 0; line < 3000; ++line) {
        int length = pick(0, 9) == 0 ? pick(100, 400) : pick(0, 40);
        std::string text;
        while (static_cast<int>(text.size()) < length)
            text += characters[pick(0, 7)];
        sent += text + lineEnds[pick(0, 3)];
        shown += text + "\r\n";
    }
    LocalTerminal terminal;
    for (size_t at = 0; at < sent.size();) {
        size_t size = std::min<size_t>(static_cast<size_t>(pick(1, 1023)), sent.size() - at);
        terminal.Receive(sent.substr(at, size));
        at += size;
    }
    EXPECT_TRUE(terminal.Logs() == shown) << "lost, doubled or changed bytes";
}

// Makes the file a link to the system's full device, which opens and fails
// every write as a full disk does, or, with full false, removes the link.
// Wine lets a Linux program finish after its process handle has signalled.
bool SetDiskFull(const wchar_t *path, bool full)
{
    auto toUnixName = reinterpret_cast<char *(CDECL *)(LPCWSTR)>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char *name = toUnixName(path);
    RunToEnd(std::string(full ? "/bin/ln -s /dev/full \"" : "/bin/rm \"") + name + "\"");
    HeapFree(GetProcessHeap(), 0, name);
    return PumpUntil([&] {
        HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
        CloseHandle(file);
        return (file != INVALID_HANDLE_VALUE) == full;
    });
}

// The switch decides as text arrives, and text goes under the day it arrived
// on. The disk is full: the text waits and the title says so; a while after
// there is room again it is written.
TEST(DailyLog, TheSwitchAndTheDayAreThoseOfArrivalAndAFullDiskDelaysTheText)
{
    LocalTerminal terminal;
    const SYSTEMTIME evening = {2026, 12, 4, 31, 23, 59, 59, 900}, morning = {2027, 1, 5, 1, 0, 0, 0, 100},
                     later = {2027, 1, 6, 2, 9, 0, 0, 0};
    terminal.State()->writeLog = 0;
    terminal.Receive("off\r", &evening);
    terminal.State()->writeLog = 1;
    terminal.Receive("on\rx\x82", &evening);
    terminal.Receive("\xA0\r", &morning);
    terminal.State()->writeLog = 0;
    terminal.Receive("off\r", &morning);
    terminal.State()->writeLog = 1;
    EXPECT_EQ("on\r\nx", ReadWholeFile(terminal.LogDirectory() + "261231.LOG"));
    EXPECT_EQ("\x82\xA0\r\n", ReadWholeFile(terminal.LogDirectory() + "270101.LOG"));
    wchar_t path[MAX_PATH];
    MakeLogFilePath(terminal.State()->logDirectory, {2027, 1, 2}, L"", path, MAX_PATH);
    ASSERT_TRUE(SetDiskFull(path, true));
    terminal.Receive("late\r", &later);
    Pump(50);
    EXPECT_EQ("*VRK", TextOf(terminal.window));
    ASSERT_TRUE(SetDiskFull(path, false));
    for (unsigned tick = 0; tick < 10000 / kPollIntervalMs; ++tick)
        SendMessageW(terminal.window, WM_TIMER, kPollTimerId, 0);
    Pump(50);
    EXPECT_EQ("late\r\n", ReadWholeFile(terminal.LogDirectory() + "270102.LOG"));
    EXPECT_EQ("VRK", TextOf(terminal.window));
}

// The operator finds the dialog in the log directory, is refused a name that
// does not exist and confirms a log, which the system's editor shows.
TEST(DailyLog, TheOpenDialogStartsInTheLogDirectoryAndTheSystemsEditorShowsTheChoice)
{
    LocalTerminal terminal;
    const std::string directory = terminal.LogDirectory();
    WriteWholeFile(directory + "310101.LOG", "logged\r\n");
    char before[MAX_PATH], after[MAX_PATH];
    wchar_t shown[MAX_PATH] = L"";
    GetCurrentDirectoryA(MAX_PATH, before);
    std::wstring filter;
    ASSERT_TRUE(WithDialog(NULL, [&] { OpenLogFile(terminal.window); }, [&](HWND dialog) {
        const int kFileName = 0x47c, kFilterBox = 0x470;
        SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(shown));
        filter = WindowTextOf(GetDlgItem(dialog, kFilterBox));
        SendMessageW(dialog, CDM_SETCONTROLTEXT, kFileName, reinterpret_cast<LPARAM>(L"no such file.log"));
        PressDialogButton(dialog, IDOK);
        HWND refusal = NULL;
        PumpUntil([&] { return (refusal = GetLastActivePopup(dialog)) != dialog; });
        PressDialogButton(refusal, IDOK);
        Sleep(200);
        SendMessageW(dialog, CDM_SETCONTROLTEXT, kFileName, reinterpret_cast<LPARAM>(L"310101.LOG"));
        PressDialogButton(dialog, IDOK);
    }));
    EXPECT_EQ(terminal.State()->logDirectory, std::wstring(shown) + L"\\");
    EXPECT_EQ(L"Log files (*.log)", filter);
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(before, after) << "the dialog leaves the current directory alone";
    HWND editor = NULL;
    EXPECT_TRUE(PumpUntil([&] {
        editor = FindWindowW(L"Notepad", NULL);
        return editor && WindowTextOf(editor).find(L"310101.LOG") != std::wstring::npos;
    }, 10000)) << "the editor shows the chosen log";
    PostMessageW(editor, WM_CLOSE, 0, 0);
}

// A focused edit control in a top-level window of its own, in front.
struct FocusTarget {
    HWND frame = CreateWindowA("STATIC", "target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 100, NULL, NULL,
                               NULL, NULL);
    HWND edit = CreateWindowA("EDIT", "xyz", WS_CHILD | WS_VISIBLE, 0, 0, 280, 24, frame, NULL, NULL, NULL);
    FocusTarget()
    {
        SetForegroundWindow(frame);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 3, 3);
    }
    ~FocusTarget() { DestroyWindow(frame); }
};

TEST(UndoCapture, EchoAndTheRestOfALineAfterSwitchingOffAreShownAndAHungTargetIsLeftSoon)
{
    LocalTerminal terminal("[VRK]\r\nDdeServiceName=\r\nEnableUndo=1\r\n");
    {
        FocusTarget target;
        terminal.Show("\x1d" "echo\r");
        terminal.Receive("\x1d" "AB");
        ToggleUndoCapture(terminal.State());
        terminal.Receive("CD\r");
        EXPECT_EQ("ABxyz", TextOf(target.edit));
        ToggleUndoCapture(terminal.State());
        terminal.Receive("\x1d\r");
        SendMessageA(target.edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("-"));
        EXPECT_EQ("-ABxyz", TextOf(target.edit)) << "a marker alone puts the caret at the start";
        ToggleUndoCapture(terminal.State());
        EXPECT_EQ("\x1d" "echo\r\nCD\r\n", terminal.PaneText());
    }
    ToggleUndoCapture(terminal.State());
    ShowWindow(terminal.window, SW_SHOW);
    SetForegroundWindow(terminal.window);
    terminal.Receive("\x1dself\r");
    EXPECT_EQ("self", TextOf(terminal.Input())) << "in front, the terminal types into its own input line";

    HANDLE typed = CreateEventA(NULL, TRUE, FALSE, NULL);
    std::thread hung([&] {
        FocusTarget target;
        WaitForSingleObject(typed, 8000);
    });
    Sleep(500);
    DWORD start = GetTickCount();
    terminal.Receive("\x1dlost\r");
    EXPECT_LT(GetTickCount() - start, 3000u);
    SetEvent(typed);
    hung.join();
    CloseHandle(typed);
}

}  // namespace
