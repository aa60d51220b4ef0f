#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/commands.h"
#include "resources/resource_ids.h"
#include "tests/app/ui_driving.h"
#include "tests/support/terminal_under_test.h"
#include "tests/support/windows_of_process.h"

namespace {

std::string MenuText(HMENU menu, int position)
{
    char text[256] = "";
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

std::vector<WPARAM> recordedCommands;

LRESULT CALLBACK RecordCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        recordedCommands.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

class Commands : public ShownTerminal {};

TEST_F(Commands, TheMenuBarIsMirroredIntoTheSystemAndRightClickMenus)
{
    HMENU menuBar = GetMenu(Window());
    HMENU systemMenu = GetSystemMenu(Window(), FALSE);
    ASSERT_EQ(2, GetMenuItemCount(menuBar));
    EXPECT_EQ("\x90\xdd\x92\xe8(&O)", MenuText(menuBar, 1));  // "設定(&O)" in Shift-JIS
    char copyAll[256] = "";
    ASSERT_GT(LoadStringA(GetModuleHandleA(NULL), IDS_COPY_ALL, copyAll, sizeof copyAll), 0);
    ASSERT_EQ(4, GetMenuItemCount(State()->contextMenu));
    // Both popups, a separator and copy-all, after the system menu's own items.
    const int systemCount = GetMenuItemCount(systemMenu);
    EXPECT_TRUE(GetMenuState(systemMenu, static_cast<UINT>(systemCount - 5), MF_BYPOSITION) & MF_SEPARATOR);
    const std::pair<HMENU, int> copies[] = {{systemMenu, systemCount - 4}, {State()->contextMenu, 0}};
    for (const auto &[menu, first] : copies) {
        for (int i = 0; i < 2; ++i) {
            // The very same popups, so a check mark shows in every copy.
            EXPECT_EQ(GetSubMenu(menuBar, i), GetSubMenu(menu, first + i));
            EXPECT_EQ(MenuText(menuBar, i), MenuText(menu, first + i));
        }
        EXPECT_TRUE(GetMenuState(menu, static_cast<UINT>(first + 2), MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_EQ(static_cast<UINT>(IDM_COPY_ALL), GetMenuItemID(menu, first + 3));
        EXPECT_EQ(copyAll, MenuText(menu, first + 3));
    }
}

// Every source ends in the same command: local echo switched on, and the
// title rebuilt from the state.
TEST_F(Commands, EverySourceRunsTheSameCommand)
{
    HWND window = Window();
    HWND output = State()->outputEdit;
    const std::pair<const char *, std::function<void()>> sources[] = {
        {"menu bar", [&] { SendCommand(window, IDM_LOCAL_ECHO, 0); }},
        {"accelerator", [&] { SendCommand(window, IDM_LOCAL_ECHO, 1); }},
        {"system menu, low bits set", [&] { PostMessageA(window, WM_SYSCOMMAND, IDM_LOCAL_ECHO | 0x000B, 0); }},
        // Keys posted first wait for the menu's own loop: "設定(&O)", then
        // "ﾛｰｶﾙｴｺｰする(&E)".
        {"right-click menu",
         [&] {
             PostMessageA(window, WM_CHAR, 'o', 0);
             PostMessageA(window, WM_CHAR, 'e', 0);
             SendMessageA(output, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
         }},
    };
    for (const auto &[name, choose] : sources) {
        SCOPED_TRACE(name);
        State()->localEcho = 0;
        SetWindowTextA(window, "stale");
        choose();
        terminal.Pump(100);
        EXPECT_EQ(1, State()->localEcho);
        EXPECT_EQ(L"VRK", WindowTextOf(window));
    }
}

TEST_F(Commands, NotificationsFromThePanesAreNotCommands)
{
    const std::pair<WPARAM, HWND> notifications[] = {
        {MAKEWPARAM(IDM_LOCAL_ECHO, EN_CHANGE), State()->inputEdit},
        {MAKEWPARAM(IDM_LOCAL_ECHO, EN_SETFOCUS), State()->outputEdit},
        {MAKEWPARAM(IDM_LOCAL_ECHO, 2), NULL},
    };
    SetWindowTextA(Window(), "stale");
    for (const auto &[wParam, control] : notifications) {
        SendMessageA(Window(), WM_COMMAND, wParam, reinterpret_cast<LPARAM>(control));
        EXPECT_EQ(0, State()->localEcho) << HIWORD(wParam);
    }
    // Typing makes the input line notify its parent for real.
    SendMessageA(State()->inputEdit, WM_CHAR, 'x', 0);
    EXPECT_EQ(L"stale", WindowTextOf(Window()));
}

TEST_F(Commands, TheSystemMenuPassesOnOnlyTheMenuCommands)
{
    const std::pair<WPARAM, bool> cases[] = {
        {IDM_CONNECT, true},
        {IDM_ENABLE_UNDO | 0x000F, true},
        {IDM_DUPLICATE_NOTICE, false},  // posted by the program only; masking makes it 39984
        {40000, false},
        {SC_SIZE, false},
    };
    for (const auto &[wParam, handled] : cases) {
        SCOPED_TRACE(wParam);
        EXPECT_EQ(handled, HandleSysCommand(Window(), wParam) != FALSE);
        MSG posted = {};
        EXPECT_EQ(handled, PeekMessageA(&posted, Window(), WM_COMMAND, WM_COMMAND, PM_REMOVE) != FALSE);
        EXPECT_EQ(handled ? wParam & 0xFFF0 : 0, posted.wParam);
    }
}

TEST_F(Commands, AcceleratorsSelectTheirCommands)
{
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(nullptr, table);
    // A window that only records what the table turns the keys into.
    HWND recorder = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    SetWindowLongPtrA(recorder, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordCommands));
    BYTE keys[256] = {};
    struct Case {
        WPARAM key;
        bool control;
        UINT command;
    } cases[] = {
        {'O', true, IDM_CONNECT},    {'L', true, IDM_OPEN_LOG},   {'F', true, IDM_FONT},
        {'T', true, IDM_TEXT_COLOR}, {'B', true, IDM_BACK_COLOR}, {'F', false, 0},
        {'E', true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<char>(c.key));
        recordedCommands.clear();
        keys[VK_CONTROL] = c.control ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG message = {recorder, WM_KEYDOWN, c.key, 1, 0, {0, 0}};
        EXPECT_EQ(c.command != 0, TranslateAcceleratorA(recorder, table, &message) != 0);
        EXPECT_EQ(c.command ? std::vector<WPARAM>{MAKEWPARAM(c.command, 1)} : std::vector<WPARAM>{},
                  recordedCommands);
    }
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    DestroyWindow(recorder);
}

TEST_F(Commands, CheckMarksFollowTheFlagsOnOpenPopups)
{
    LONG TerminalState::*const flags[] = {&TerminalState::hideInput, &TerminalState::localEcho,
                                          &TerminalState::writeLog, &TerminalState::imsEnabled,
                                          &TerminalState::enableUndo};
    const UINT items[] = {IDM_HIDE_INPUT, IDM_LOCAL_ECHO, IDM_WRITE_LOG, IDM_IMS_LINK, IDM_ENABLE_UNDO};
    HMENU settingsPopup = GetSubMenu(GetMenu(Window()), 1);
    const std::pair<const char *, std::function<void()>> openings[] = {
        {"menu bar popup", [&] { TrackPopupMenu(settingsPopup, 0, 100, 100, 0, Window(), NULL); }},
        {"right-click menu",
         [&] { SendMessageA(State()->outputEdit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5)); }},
    };
    for (LONG first : {0, 1}) {
        for (const auto &[name, open] : openings) {
            SCOPED_TRACE(name);
            // Alternating flags, and stale marks the wrong way round, so that
            // each mark must be set anew.
            for (size_t i = 0; i < std::size(items); ++i) {
                State()->*flags[i] = (first + static_cast<LONG>(i)) % 2;
                CheckMenuItem(settingsPopup, items[i], MF_BYCOMMAND | (State()->*flags[i] ? MF_UNCHECKED : MF_CHECKED));
            }
            std::vector<bool> shown;
            WithOpenMenu(open, [&] {
                for (UINT item : items)
                    shown.push_back((GetMenuState(settingsPopup, item, MF_BYCOMMAND) & MF_CHECKED) != 0);
            });
            ASSERT_EQ(std::size(items), shown.size());
            for (size_t i = 0; i < std::size(items); ++i)
                EXPECT_EQ(State()->*flags[i] != 0, shown[i]) << items[i];
        }
    }
}

TEST_F(Commands, TogglesLeaveZeroOrOne)
{
    const std::pair<UINT, LONG TerminalState::*> cases[] = {
        {IDM_LOCAL_ECHO, &TerminalState::localEcho},
        {IDM_WRITE_LOG, &TerminalState::writeLog},
        {IDM_HIDE_INPUT, &TerminalState::hideInput},
        {IDM_IMS_LINK, &TerminalState::imsEnabled},
    };
    for (const auto &[command, flag] : cases) {
        SCOPED_TRACE(command);
        State()->*flag = 5;  // as a hand-edited settings file may leave it
        SendCommand(Window(), command);
        EXPECT_EQ(0, State()->*flag);
        SendCommand(Window(), command);
        EXPECT_EQ(1, State()->*flag);
    }
}

TEST_F(Commands, CopyAllPutsTheWholeOutputOnTheClipboard)
{
    const char text[] = "READY\r\n\x83\x65\x83\x58\x83\x67 OK\r\nlast line";
    SetWindowTextA(State()->outputEdit, text);
    SendCommand(Window(), IDM_COPY_ALL);
    ASSERT_TRUE(OpenClipboard(NULL));
    HANDLE data = GetClipboardData(CF_TEXT);
    const char *copied = data ? static_cast<const char *>(GlobalLock(data)) : nullptr;
    EXPECT_STREQ(text, copied);
    if (copied)
        GlobalUnlock(data);
    CloseClipboard();
}

// The real program: commands posted to its system menu from outside.
TEST(CommandsOfTheProgram, AboutAndExitArriveFromAnotherProgram)
{
    TerminalUnderTest terminal;
    ASSERT_TRUE(terminal.Start());
    ASSERT_TRUE(terminal.AnswerPortDialog(0, false));
    PostMessageA(terminal.MainWindow(), WM_SYSCOMMAND, IDM_ABOUT, 0);
    const std::wstring about = terminal.AnswerMessageBox();
    const std::wstring firstLine = L"VRK Version 2.0(32)\n";
    EXPECT_EQ(firstLine, about.substr(0, firstLine.size()));
    EXPECT_GT(about.size(), firstLine.size() + 10) << "the maker's notice follows the first line";
    PostMessageA(terminal.MainWindow(), WM_SYSCOMMAND, IDM_EXIT | 0x0003, 0);
    EXPECT_TRUE(terminal.HasExited(5000));
    EXPECT_EQ(0u, terminal.ExitCode());
}

}  // namespace
