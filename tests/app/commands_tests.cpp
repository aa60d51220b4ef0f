#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/commands.h"
#include "app/program_identity.h"
#include "resources/resource_ids.h"
#include "tests/app/ui_driving.h"
#include "tests/support/terminal_under_test.h"
#include "tests/support/windows_of_process.h"

namespace {

const char kStaleTitle[] = "stale";

// The check items and the flag each one shows.
struct CheckItem {
    const char *name;
    UINT command;
    LONG TerminalState::*flag;
};

const CheckItem kCheckItems[] = {
    {"hide input", IDM_HIDE_INPUT, &TerminalState::hideInput},
    {"local echo", IDM_LOCAL_ECHO, &TerminalState::localEcho},
    {"write log", IDM_WRITE_LOG, &TerminalState::writeLog},
    {"input monitor link", IDM_IMS_LINK, &TerminalState::imsEnabled},
    {"undo capture", IDM_ENABLE_UNDO, &TerminalState::enableUndo},
};

std::vector<WPARAM> recordedCommands;

LRESULT CALLBACK RecordCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        recordedCommands.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

std::string MenuText(HMENU menu, int position)
{
    char text[256] = "";
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

std::string CopyAllText()
{
    char text[256] = "";
    LoadStringA(GetModuleHandleA(NULL), IDS_COPY_ALL, text, sizeof text);
    return text;
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(NULL))
        return "<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char *bytes = static_cast<const char *>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Keys that open the output pane's right-click menu, then its "設定(&O)"
// popup, then choose "ﾛｰｶﾙｴｺｰする(&E)"; posted first, they wait in the queue
// for the menu's own loop.
void RightClickAndChooseLocalEcho(const TerminalState *state)
{
    HWND mainWindow = GetParent(state->outputEdit);
    PostMessageA(mainWindow, WM_CHAR, 'o', 0);
    PostMessageA(mainWindow, WM_CHAR, 'e', 0);
    SendMessageA(state->outputEdit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
}

class Commands : public ShownTerminal {};

TEST_F(Commands, TheMenuBarIsMirroredIntoTheSystemAndRightClickMenus)
{
    HMENU menuBar = GetMenu(Window());
    HMENU systemMenu = GetSystemMenu(Window(), FALSE);
    HMENU contextMenu = State()->contextMenu;
    ASSERT_EQ(2, GetMenuItemCount(menuBar));
    ASSERT_NE(nullptr, contextMenu);
    ASSERT_FALSE(CopyAllText().empty());

    ASSERT_EQ(4, GetMenuItemCount(contextMenu));
    int systemCount = GetMenuItemCount(systemMenu);
    ASSERT_GE(systemCount, 6);
    struct Copy {
        HMENU menu;
        int firstPopup;
    } copies[] = {{systemMenu, systemCount - 4}, {contextMenu, 0}};
    for (const Copy &copy : copies) {
        for (int i = 0; i < 2; ++i) {
            // The same popups, so a check mark shows in every copy.
            EXPECT_EQ(GetSubMenu(menuBar, i), GetSubMenu(copy.menu, copy.firstPopup + i));
            EXPECT_EQ(MenuText(menuBar, i), MenuText(copy.menu, copy.firstPopup + i));
        }
        EXPECT_TRUE(GetMenuState(copy.menu, static_cast<UINT>(copy.firstPopup + 2), MF_BYPOSITION) &
                    MF_SEPARATOR);
        EXPECT_EQ(static_cast<UINT>(IDM_COPY_ALL), GetMenuItemID(copy.menu, copy.firstPopup + 3));
        EXPECT_EQ(CopyAllText(), MenuText(copy.menu, copy.firstPopup + 3));
    }
    EXPECT_TRUE(GetMenuState(systemMenu, static_cast<UINT>(systemCount - 5), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ("\x90\xdd\x92\xe8(&O)", MenuText(menuBar, 1));  // "設定(&O)" in Shift-JIS
}

// Every source ends in the same command: local echo switched on, and the
// title rebuilt from the state.
TEST_F(Commands, EverySourceRunsTheSameCommand)
{
    struct Source {
        const char *name;
        void (*choose)(const TerminalState *state);
    } sources[] = {
        {"menu bar", [](const TerminalState *s) { SendCommand(GetParent(s->outputEdit), IDM_LOCAL_ECHO, 0); }},
        {"accelerator", [](const TerminalState *s) { SendCommand(GetParent(s->outputEdit), IDM_LOCAL_ECHO, 1); }},
        {"system menu, low bits set",
         [](const TerminalState *s) {
             PostMessageA(GetParent(s->outputEdit), WM_SYSCOMMAND, IDM_LOCAL_ECHO | 0x000B, 0);
         }},
        {"right-click menu", RightClickAndChooseLocalEcho},
    };
    for (const Source &source : sources) {
        SCOPED_TRACE(source.name);
        State()->localEcho = 0;
        SetWindowTextA(Window(), kStaleTitle);
        source.choose(State());
        terminal.Pump(100);
        EXPECT_EQ(1, State()->localEcho);
        EXPECT_EQ(kProgramName, WindowTextA(Window()));
    }
}

TEST_F(Commands, AnUnknownCommandStillRefreshesTheTitle)
{
    SetWindowTextA(Window(), kStaleTitle);
    EXPECT_EQ(0, SendCommand(Window(), 40000));
    EXPECT_EQ(kProgramName, WindowTextA(Window()));
}

TEST_F(Commands, NotificationsFromThePanesAreNotCommands)
{
    struct Notification {
        WPARAM wParam;
        HWND control;
    } notifications[] = {
        {MAKEWPARAM(1001, EN_CHANGE), State()->inputEdit},
        {MAKEWPARAM(1000, EN_SETFOCUS), State()->outputEdit},
        {MAKEWPARAM(IDM_LOCAL_ECHO, EN_UPDATE), State()->inputEdit},
        {MAKEWPARAM(IDM_LOCAL_ECHO, 2), NULL},
    };
    SetWindowTextA(Window(), kStaleTitle);
    for (const Notification &n : notifications) {
        SCOPED_TRACE(HIWORD(n.wParam));
        SendMessageA(Window(), WM_COMMAND, n.wParam, reinterpret_cast<LPARAM>(n.control));
        EXPECT_EQ(0, State()->localEcho);
    }
    // Typing makes the input line notify its parent for real.
    SetWindowTextA(State()->inputEdit, "typed");
    SendMessageA(State()->inputEdit, WM_CHAR, 'x', 0);
    EXPECT_EQ(kStaleTitle, WindowTextA(Window()));
}

TEST_F(Commands, TheSystemMenuPassesOnOnlyTheMenuCommands)
{
    struct Case {
        WPARAM wParam;
        bool handled;
    } cases[] = {
        {IDM_CONNECT, true},
        {IDM_ENABLE_UNDO | 0x000F, true},
        {IDM_COPY_ALL | 0x0001, true},
        {IDM_DUPLICATE_NOTICE, false},  // posted by the program only; masking makes it 39984
        {IDM_ENABLE_UNDO + 16, false},
        {40000, false},
        {SC_SIZE, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.wParam);
        EXPECT_EQ(c.handled, HandleSysCommand(Window(), c.wParam) != FALSE);
        MSG posted = {};
        BOOL found = PeekMessageA(&posted, Window(), WM_COMMAND, WM_COMMAND, PM_REMOVE);
        EXPECT_EQ(c.handled, found != FALSE);
        if (found) {
            EXPECT_EQ(c.wParam & 0xFFF0, posted.wParam);
            EXPECT_EQ(0, posted.lParam);
        }
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
    GetKeyboardState(keys);
    struct Case {
        WPARAM key;
        bool control;
        WPARAM expected;
    } cases[] = {
        {'O', true, MAKEWPARAM(IDM_CONNECT, 1)},    {'L', true, MAKEWPARAM(IDM_OPEN_LOG, 1)},
        {'F', true, MAKEWPARAM(IDM_FONT, 1)},       {'T', true, MAKEWPARAM(IDM_TEXT_COLOR, 1)},
        {'B', true, MAKEWPARAM(IDM_BACK_COLOR, 1)}, {'F', false, 0},
        {'E', true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<char>(c.key));
        recordedCommands.clear();
        keys[VK_CONTROL] = c.control ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG message = {recorder, WM_KEYDOWN, c.key, 1, 0, {0, 0}};
        EXPECT_EQ(c.expected != 0, TranslateAcceleratorA(recorder, table, &message) != 0);
        EXPECT_EQ(c.expected ? std::vector<WPARAM>{c.expected} : std::vector<WPARAM>{}, recordedCommands);
    }
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    DestroyWindow(recorder);
}

TEST_F(Commands, CheckMarksFollowTheFlagsOnOpenPopups)
{
    HMENU settingsPopup = GetSubMenu(GetMenu(Window()), 1);
    for (LONG pattern : {0, 1}) {
        LONG value = pattern;
        for (const CheckItem &item : kCheckItems) {
            State()->*item.flag = value;
            value = !value;
        }
        struct Opening {
            const char *name;
            std::function<void()> open;
        } openings[] = {
            {"menu bar popup",
             [&] { TrackPopupMenu(settingsPopup, 0, 100, 100, 0, Window(), NULL); }},
            {"right-click menu",
             [&] { SendMessageA(State()->outputEdit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5)); }},
        };
        for (const Opening &opening : openings) {
            SCOPED_TRACE(opening.name);
            // Stale marks the wrong way round, so that each must be set anew.
            for (const CheckItem &item : kCheckItems)
                CheckMenuItem(settingsPopup, item.command,
                              MF_BYCOMMAND | (State()->*item.flag ? MF_UNCHECKED : MF_CHECKED));
            std::vector<bool> shown;
            WithOpenMenu(opening.open, [&] {
                for (const CheckItem &item : kCheckItems)
                    shown.push_back((GetMenuState(settingsPopup, item.command, MF_BYCOMMAND) & MF_CHECKED) != 0);
            });
            ASSERT_EQ(std::size(kCheckItems), shown.size());
            for (size_t i = 0; i < shown.size(); ++i)
                EXPECT_EQ(State()->*kCheckItems[i].flag != 0, shown[i]) << kCheckItems[i].name;
        }
    }
}

TEST_F(Commands, TogglesLeaveZeroOrOne)
{
    struct Case {
        UINT command;
        LONG TerminalState::*flag;
    } cases[] = {
        {IDM_LOCAL_ECHO, &TerminalState::localEcho},
        {IDM_WRITE_LOG, &TerminalState::writeLog},
        {IDM_HIDE_INPUT, &TerminalState::hideInput},
        {IDM_IMS_LINK, &TerminalState::imsEnabled},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        State()->*c.flag = 5;  // as a hand-edited settings file may leave it
        SendCommand(Window(), c.command);
        EXPECT_EQ(0, State()->*c.flag);
        SendCommand(Window(), c.command);
        EXPECT_EQ(1, State()->*c.flag);
    }
}

TEST_F(Commands, CopyAllPutsTheWholeOutputOnTheClipboard)
{
    const char text[] = "READY\r\n\x83\x65\x83\x58\x83\x67 OK\r\nlast line";
    SetWindowTextA(State()->outputEdit, text);
    SendCommand(Window(), IDM_COPY_ALL);
    EXPECT_EQ(text, ClipboardText());
}

TEST_F(Commands, AboutShowsNameVersionAndNotice)
{
    std::wstring text;
    ASSERT_TRUE(WithDialog(L"VRK", [&] { SendCommand(Window(), IDM_ABOUT); },
                           [&](HWND box) {
                               text = MessageBoxText(box);
                               PressDialogButton(box, IDOK);
                           }));
    const std::wstring firstLine = L"VRK Version 2.0(32)\n";
    EXPECT_EQ(firstLine, text.substr(0, firstLine.size()));
    EXPECT_GT(text.size(), firstLine.size() + 10) << "the notice follows the first line";
}

TEST_F(Commands, ExitClosesTheWindow)
{
    SendCommand(Window(), IDM_EXIT);
    terminal.Pump(100);
    EXPECT_FALSE(IsWindow(Window()));
}

// The real program: commands posted to its system menu from outside.
TEST(CommandsOfTheProgram, SystemMenuCommandsArriveFromAnotherProgram)
{
    TerminalUnderTest terminal;
    ASSERT_TRUE(terminal.Start());
    ASSERT_TRUE(terminal.AnswerPortDialog(0, false));
    PostMessageA(terminal.MainWindow(), WM_SYSCOMMAND, IDM_ABOUT, 0);
    EXPECT_EQ(0u, terminal.AnswerMessageBox().find(L"VRK Version 2.0(32)\n"));
    PostMessageA(terminal.MainWindow(), WM_SYSCOMMAND, IDM_EXIT | 0x0003, 0);
    EXPECT_TRUE(terminal.HasExited(5000));
    EXPECT_EQ(0u, terminal.ExitCode());
}

}  // namespace
