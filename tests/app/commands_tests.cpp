#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/commands.h"
#include "resources/resource_ids.h"
#include "tests/app/ui_driving.h"
#include "tests/support/terminal_under_test.h"
#include "tests/support/windows_of_process.h"

namespace {

// Text, popup and command of each item from `first` on; a separator has none.
using MenuItem = std::tuple<std::string, HMENU, UINT>;

std::vector<MenuItem> ItemsFrom(HMENU menu, int first)
{
    std::vector<MenuItem> items;
    for (int position = first; position < GetMenuItemCount(menu); ++position) {
        char text[256] = "";
        GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
        items.emplace_back(text, GetSubMenu(menu, position), GetMenuItemID(menu, position));
    }
    return items;
}

class Commands : public ShownTerminal {};

TEST_F(Commands, TheMenuBarIsMirroredIntoTheSystemAndRightClickMenus)
{
    char copyAll[256] = "";
    ASSERT_GT(LoadStringA(GetModuleHandleA(NULL), IDS_COPY_ALL, copyAll, sizeof copyAll), 0);
    // The very same popups, not copies, so that a check mark shows in every menu.
    std::vector<MenuItem> mirrored = ItemsFrom(GetMenu(Window()), 0);
    ASSERT_EQ(2u, mirrored.size());
    EXPECT_EQ("\x90\xdd\x92\xe8(&O)", std::get<0>(mirrored[1]));  // "設定(&O)" in Shift-JIS
    const MenuItem separator = {"", NULL, 0};
    mirrored.insert(mirrored.end(), {separator, {copyAll, NULL, IDM_COPY_ALL}});
    EXPECT_EQ(mirrored, ItemsFrom(State()->contextMenu, 0));
    // After the system menu's own items.
    mirrored.insert(mirrored.begin(), separator);
    HMENU systemMenu = GetSystemMenu(Window(), FALSE);
    EXPECT_EQ(mirrored, ItemsFrom(systemMenu, GetMenuItemCount(systemMenu) - 5));
}

// Every source ends in the same command: local echo switched on, and the
// title rebuilt from the state. The panes' notifications, though they arrive
// as WM_COMMAND too, run nothing.
TEST_F(Commands, EverySourceRunsTheSameCommandAndNotificationsNone)
{
    HWND window = Window();
    HWND input = State()->inputEdit;
    HWND output = State()->outputEdit;
    auto notify = [&](WORD code, HWND control) {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_LOCAL_ECHO, code), reinterpret_cast<LPARAM>(control));
    };
    const std::tuple<const char *, std::function<void()>, bool> sources[] = {
        {"menu bar", [&] { SendCommand(window, IDM_LOCAL_ECHO, 0); }, true},
        {"accelerator", [&] { SendCommand(window, IDM_LOCAL_ECHO, 1); }, true},
        {"system menu, low bits set", [&] { PostMessageA(window, WM_SYSCOMMAND, IDM_LOCAL_ECHO | 0x000B, 0); },
         true},
        // Keys posted first wait for the menu's own loop: "設定(&O)", then
        // "ﾛｰｶﾙｴｺｰする(&E)".
        {"right-click menu",
         [&] {
             PostMessageA(window, WM_CHAR, 'o', 0);
             PostMessageA(window, WM_CHAR, 'e', 0);
             SendMessageA(output, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
         },
         true},
        {"EN_CHANGE", [&] { notify(EN_CHANGE, input); }, false},
        {"EN_SETFOCUS", [&] { notify(EN_SETFOCUS, output); }, false},
        {"code 2 without a control", [&] { notify(2, NULL); }, false},
        {"typing in the input line", [&] { SendMessageA(input, WM_CHAR, 'x', 0); }, false},
    };
    for (const auto &[name, choose, runs] : sources) {
        SCOPED_TRACE(name);
        State()->localEcho = 0;
        SetWindowTextA(window, "stale");
        choose();
        terminal.Pump(100);
        EXPECT_EQ(runs ? 1 : 0, State()->localEcho);
        EXPECT_EQ(runs ? L"VRK" : L"stale", WindowTextOf(window));
    }
}

TEST_F(Commands, TheSystemMenuPassesOnOnlyTheMenuCommands)
{
    const std::pair<WPARAM, bool> cases[] = {
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

// Ctrl with O, L, F, T and B, as virtual keys whatever the keyboard layout
// makes of them, and no other key.
TEST(Accelerators, CtrlKeysSelectTheirCommands)
{
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ACCEL entries[16] = {};
    const int count = CopyAcceleratorTableA(table, entries, 16);
    std::set<std::pair<WORD, WORD>> keys;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(FVIRTKEY | FCONTROL, entries[i].fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT)) << entries[i].key;
        keys.insert({entries[i].key, entries[i].cmd});
    }
    EXPECT_EQ((std::set<std::pair<WORD, WORD>>{{'O', IDM_CONNECT},
                                               {'L', IDM_OPEN_LOG},
                                               {'F', IDM_FONT},
                                               {'T', IDM_TEXT_COLOR},
                                               {'B', IDM_BACK_COLOR}}),
              keys);
}

// Alternating flags and stale marks the wrong way round, so that each mark
// must be set anew as the popup opens.
TEST_F(Commands, CheckMarksFollowTheFlagsWhenAPopupOpens)
{
    const std::pair<UINT, LONG TerminalState::*> items[] = {
        {IDM_HIDE_INPUT, &TerminalState::hideInput}, {IDM_LOCAL_ECHO, &TerminalState::localEcho},
        {IDM_WRITE_LOG, &TerminalState::writeLog},   {IDM_IMS_LINK, &TerminalState::imsEnabled},
        {IDM_ENABLE_UNDO, &TerminalState::enableUndo},
    };
    HMENU settingsPopup = GetSubMenu(GetMenu(Window()), 1);
    const std::pair<const char *, std::function<void()>> openings[] = {
        {"menu bar popup", [&] { TrackPopupMenu(settingsPopup, 0, 100, 100, 0, Window(), NULL); }},
        {"right-click menu",
         [&] { SendMessageA(State()->outputEdit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5)); }},
    };
    for (const auto &[name, open] : openings) {
        SCOPED_TRACE(name);
        LONG value = 0;
        for (const auto &[item, flag] : items) {
            State()->*flag = value;
            CheckMenuItem(settingsPopup, item, MF_BYCOMMAND | (value ? MF_UNCHECKED : MF_CHECKED));
            value = !value;
        }
        // Waits in the queue for the menu's own loop, and closes the menu.
        PostMessageA(Window(), WM_KEYDOWN, VK_ESCAPE, 0);
        open();
        for (const auto &[item, flag] : items)
            EXPECT_EQ(State()->*flag != 0, (GetMenuState(settingsPopup, item, MF_BYCOMMAND) & MF_CHECKED) != 0)
                << item;
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

// The real program: its first dialog centred over the main window, then
// commands posted to its system menu from outside.
TEST(TheProgram, CentresItsConnectDialogAndTakesSystemMenuCommandsFromOutside)
{
    TerminalUnderTest terminal;
    ASSERT_TRUE(terminal.Start());
    HWND dialog = terminal.WaitForDialog(kPortDialogTitle);
    ASSERT_NE(nullptr, dialog);
    RECT main = {};
    RECT placed = {};
    GetWindowRect(terminal.MainWindow(), &main);
    GetWindowRect(dialog, &placed);
    EXPECT_NEAR(main.left + main.right, placed.left + placed.right, 2);
    EXPECT_NEAR(main.top + main.bottom, placed.top + placed.bottom, 2);
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
