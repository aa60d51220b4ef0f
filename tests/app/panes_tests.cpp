#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "app/commands.h"
#include "app/layout.h"
#include "app/pane_geometry.h"
#include "resources/resource_ids.h"
#include "tests/app/ui_driving.h"
#include "tests/support/windows_of_process.h"

namespace {

// Controls of the system's font and colour pickers.
const int kFontFaceBox = 0x470;
const int kFontSizeBox = 0x472;
const int kRedEdit = 706;
const int kGreenEdit = 707;
const int kBlueEdit = 708;
const int kAddCustomColorButton = 712;

const COLORREF kChosenColor = RGB(10, 20, 30);

// The input line along the bottom edge at full width, the output pane from
// the top down to it.
void ExpectSplitLayout(const TerminalState *state)
{
    RECT client = ClientRectOf(GetParent(state->inputEdit));
    RECT input = RectInParent(state->inputEdit);
    EXPECT_EQ((RECT{0, input.top, client.right, client.bottom}), input);
    EXPECT_EQ((RECT{0, 0, client.right, input.top}), RectInParent(state->outputEdit));
    EXPECT_TRUE(IsWindowVisible(state->inputEdit));
}

// The chosen font in both panes, and the input line with room for one line
// of it but not for two.
void ExpectFontInUse(const TerminalState *state)
{
    EXPECT_STREQ("DejaVu Sans Mono", state->logFont.lfFaceName);
    for (HWND pane : {state->inputEdit, state->outputEdit})
        EXPECT_EQ(reinterpret_cast<LRESULT>(state->font), SendMessageA(pane, WM_GETFONT, 0, 0));
    const LONG height = ClientRectOf(state->inputEdit).bottom;
    EXPECT_GE(height, std::abs(state->logFont.lfHeight));
    EXPECT_LT(height, 2 * std::abs(state->logFont.lfHeight));
    ExpectSplitLayout(state);
    EXPECT_EQ(state->inputEdit, GetFocus());
}

// Both panes drawn in the record's colours, on its brush.
void ExpectPanesPainted(const TerminalState *state)
{
    HDC dc = GetDC(state->inputEdit);
    EXPECT_EQ(reinterpret_cast<LRESULT>(state->backBrush),
              SendMessageA(GetParent(state->inputEdit), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(state->inputEdit)));
    EXPECT_EQ(state->textColor, GetTextColor(dc));
    EXPECT_EQ(state->backColor, GetBkColor(dc));
    ReleaseDC(state->inputEdit, dc);
    for (HWND pane : {state->inputEdit, state->outputEdit}) {
        RedrawWindow(pane, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        dc = GetDC(pane);
        EXPECT_EQ(state->backColor, GetPixel(dc, ClientRectOf(pane).right - 3, 2));
        ReleaseDC(pane, dc);
    }
}

// Picks an entry of one of the font picker's combo boxes the way a click does.
void PickFromList(HWND picker, int boxId, const char *entry)
{
    HWND box = GetDlgItem(picker, boxId);
    LRESULT index = SendMessageA(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(entry));
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(picker, WM_COMMAND, MAKEWPARAM(boxId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

class Layout : public ShownTerminal {};

TEST_F(Layout, PanesFollowResizingMinimisingAndRestoring)
{
    const char text[] = "first\r\nsecond\r\nthird";
    SetWindowTextA(State()->outputEdit, text);
    for (const SIZE &size : {SIZE{300, 200}, SIZE{1000, 700}, SIZE{200, 120}}) {
        SCOPED_TRACE(size.cx);
        SetWindowPos(Window(), NULL, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        ExpectSplitLayout(State());
        DWORD start = 0;
        DWORD end = 0;
        SendMessageA(State()->outputEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(sizeof text - 1, start) << "the caret waits at the end of the text";
        EXPECT_EQ(sizeof text - 1, end);
    }
    const RECT input = RectInParent(State()->inputEdit);
    const RECT output = RectInParent(State()->outputEdit);
    ShowWindow(Window(), SW_MINIMIZE);
    terminal.Pump(50);
    ASSERT_TRUE(IsIconic(Window()));
    EXPECT_EQ(input, RectInParent(State()->inputEdit)) << "nothing moves while minimised";
    ShowWindow(Window(), SW_RESTORE);
    terminal.Pump(50);
    EXPECT_EQ(input, RectInParent(State()->inputEdit));
    EXPECT_EQ(output, RectInParent(State()->outputEdit));
}

TEST_F(Layout, HidingTheInputLineGivesTheOutputPaneEverythingAndKeepsTheLine)
{
    const RECT input = RectInParent(State()->inputEdit);
    SetWindowTextA(State()->inputEdit, "half-typed");
    SetFocus(State()->inputEdit);

    SendCommand(Window(), IDM_HIDE_INPUT);
    EXPECT_FALSE(IsWindowVisible(State()->inputEdit));
    EXPECT_EQ(ClientRectOf(Window()), RectInParent(State()->outputEdit));
    EXPECT_EQ(State()->inputEdit, GetFocus());
    // Resizing while hidden keeps it hidden.
    SetWindowPos(Window(), NULL, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ClientRectOf(Window()), RectInParent(State()->outputEdit));
    EXPECT_FALSE(IsWindowVisible(State()->inputEdit));

    SendCommand(Window(), IDM_HIDE_INPUT);
    ExpectSplitLayout(State());
    const RECT shown = RectInParent(State()->inputEdit);
    EXPECT_EQ(input.bottom - input.top, shown.bottom - shown.top);
    EXPECT_EQ(L"half-typed", WindowTextOf(State()->inputEdit));
    EXPECT_EQ(State()->inputEdit, GetFocus());
}

TEST_F(Layout, TheOutputPaneShowsAnArrowAndLeavesTheFocusInTheInputLine)
{
    HWND output = State()->outputEdit;
    SendMessageA(output, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(output, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(State()->inputEdit, GetFocus());
    SetFocus(output);
    EXPECT_EQ(State()->inputEdit, GetFocus());

    for (const auto &[pane, cursor] : {std::pair{output, IDC_ARROW}, std::pair{State()->inputEdit, IDC_IBEAM}}) {
        SetCursor(NULL);
        SendMessageA(pane, WM_SETCURSOR, reinterpret_cast<WPARAM>(pane), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(LoadCursorA(NULL, cursor), GetCursor());
    }
    // Outside the client area the system chooses.
    EXPECT_FALSE(HandleSetCursor(Window(), output, HTBORDER));
}

// Without a record (a window of another kind, or one whose record is gone)
// every entry point leaves the message alone.
TEST(LayoutWithoutARecord, NothingIsTouched)
{
    HWND window = CreateWindowExA(0, "STATIC", "plain", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL,
                                  NULL, NULL);
    LayoutPanes(window);
    LRESULT result = 0;
    EXPECT_FALSE(HandleCtlColorEdit(window, NULL, &result));
    EXPECT_FALSE(HandleSetCursor(window, window, HTCLIENT));
    EXPECT_FALSE(HandleCommand(window, IDM_EXIT));
    EXPECT_FALSE(HandleSysCommand(window, IDM_EXIT));
    BuildMenus(window);
    RefreshTitle(window);
    EXPECT_EQ(L"plain", WindowTextOf(window));
    DestroyWindow(window);
}

// The one path the real controls cannot reach: a font height read back
// without a device context.
TEST(PaneGeometry, WithoutMetricsTheFontHeightGetsAFifthMore)
{
    const std::pair<long, long> cases[] = {
        {-16, 19}, {16, 19}, {0, 0}, {-1, 1}, {-10, 12},
        // A stored height of any size neither overflows nor turns negative.
        {LONG_MIN, LONG_MAX}, {LONG_MAX, LONG_MAX},
    };
    for (const auto &[fontHeight, expected] : cases)
        EXPECT_EQ(expected, InputHeightFromFontHeight(fontHeight)) << fontHeight;
}

class Appearance : public ShownTerminal {
protected:
    void ChooseFont(const char *size, int button)
    {
        ASSERT_TRUE(WithDialog(NULL, [&] { SendCommand(Window(), IDM_FONT, 1); },
                               [&](HWND picker) {
                                   PickFromList(picker, kFontFaceBox, "DejaVu Sans Mono");
                                   PickFromList(picker, kFontSizeBox, size);
                                   PressDialogButton(picker, button);
                               }));
        terminal.Pump(50);
    }
};

TEST_F(Appearance, TheChosenFontGoesToBothPanesAndSizesTheInputLine)
{
    ChooseFont("36", IDOK);
    ExpectFontInUse(State());
    const HFONT tall = State()->font;
    const LOGFONTA tallLogFont = State()->logFont;

    ChooseFont("8", IDCANCEL);
    EXPECT_EQ(tall, State()->font);
    EXPECT_EQ(0, std::memcmp(&tallLogFont, &State()->logFont, sizeof tallLogFont));

    ChooseFont("8", IDOK);
    ExpectFontInUse(State());
    EXPECT_EQ(0, GetObjectType(tall)) << "the replaced font is deleted";
}

// Cancel first, then OK; a custom colour is defined each time, and kept
// whichever button closes the picker, so that the next picker offers it.
TEST_F(Appearance, ColourPickersCarryTheirTitlesAndPaintBothPanes)
{
    const std::tuple<UINT, const wchar_t *, COLORREF TerminalState::*> cases[] = {
        {IDM_TEXT_COLOR, L"文字色の設定", &TerminalState::textColor},
        {IDM_BACK_COLOR, L"背景色の設定", &TerminalState::backColor},
    };
    for (const auto &[command, title, field] : cases) {
        for (int button : {IDCANCEL, IDOK}) {
            SCOPED_TRACE(testing::Message() << command << (button == IDOK ? " OK" : " Cancel"));
            const COLORREF color = State()->*field;
            const HBRUSH brush = State()->backBrush;
            State()->customColors[0] = RGB(255, 255, 255);
            ASSERT_TRUE(WithDialog(title, [&] { SendCommand(Window(), command); },
                                   [&](HWND picker) {
                                       SetDlgItemInt(picker, kRedEdit, GetRValue(kChosenColor), FALSE);
                                       SetDlgItemInt(picker, kGreenEdit, GetGValue(kChosenColor), FALSE);
                                       SetDlgItemInt(picker, kBlueEdit, GetBValue(kChosenColor), FALSE);
                                       PressDialogButton(picker, kAddCustomColorButton);
                                       PressDialogButton(picker, button);
                                   }));
            terminal.Pump(50);
            EXPECT_EQ(button == IDOK ? kChosenColor : color, State()->*field);
            EXPECT_EQ(kChosenColor, State()->customColors[0]);
            ExpectPanesPainted(State());
            const bool newBackground = button == IDOK && field == &TerminalState::backColor;
            EXPECT_EQ(newBackground, State()->backBrush != brush);
            if (newBackground) {
                EXPECT_EQ(0, GetObjectType(brush)) << "the replaced brush is deleted";
            }
        }
    }
}

// The pickers run their own message loops; a close that arrives meanwhile
// takes the window and its record away before they return.
TEST_F(Appearance, PickersSurviveTheWindowClosingUnderThem)
{
    for (UINT command : {IDM_FONT, IDM_TEXT_COLOR, IDM_BACK_COLOR}) {
        SCOPED_TRACE(command);
        InProcessTerminal doomed;
        HWND window = doomed.Window();
        ShowWindow(window, SW_SHOWNORMAL);
        ASSERT_TRUE(WithDialog(NULL, [&] { SendCommand(window, command); },
                               [&](HWND) { PostMessageA(window, WM_CLOSE, 0, 0); }));
        EXPECT_FALSE(IsWindow(window));
    }
}

}  // namespace
