#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/layout.h"
#include "resources/resource_ids.h"
#include "tests/app/ui_driving.h"

namespace {

// The input line along the bottom edge at full width, the output pane from
// the top down to it.
void ExpectSplitLayout(const TerminalState *state)
{
    RECT client = ClientRectOf(GetParent(state->inputEdit));
    RECT input = RectInParent(state->inputEdit);
    RECT output = RectInParent(state->outputEdit);
    EXPECT_EQ((RECT{0, input.top, client.right, client.bottom}), input);
    EXPECT_EQ((RECT{0, 0, client.right, input.top}), output);
    EXPECT_TRUE(IsWindowVisible(state->inputEdit));
}

// Uses a font the way the font command does, without its picker.
void UseFont(TerminalState *state, int height)
{
    LOGFONTA font = {};
    font.lfHeight = -height;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpyA(font.lfFaceName, "DejaVu Sans Mono");
    HFONT old = state->font;
    state->font = CreateFontIndirectA(&font);
    state->logFont = font;
    SendMessageA(state->inputEdit, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), TRUE);
    SendMessageA(state->outputEdit, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), TRUE);
    DeleteObject(old);
    LayoutPanes(GetParent(state->inputEdit));
}

// One line of the font, measured on the control, with the control's margin
// above and below.
LONG ExpectedInputHeight(const TerminalState *state)
{
    HDC dc = GetDC(state->inputEdit);
    HGDIOBJ old = SelectObject(dc, state->font);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(state->inputEdit, dc);
    RECT format = {};
    SendMessageA(state->inputEdit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    LONG line = metrics.tmHeight + metrics.tmExternalLeading;
    return (line > format.bottom - format.top ? line : format.bottom - format.top) + 2 * format.left;
}

class Layout : public ShownTerminal {};

TEST_F(Layout, PanesFollowTheWindowSize)
{
    const char text[] = "first\r\nsecond\r\nthird";
    SetWindowTextA(State()->outputEdit, text);
    const SIZE sizes[] = {{640, 480}, {300, 200}, {1000, 700}, {200, 120}};
    for (const SIZE &size : sizes) {
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
}

TEST_F(Layout, TheInputLineIsOneLineOfTheFontHigh)
{
    LONG heights[2] = {};
    const int fontHeights[] = {8, 40};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(fontHeights[i]);
        UseFont(State(), fontHeights[i]);
        heights[i] = ClientRectOf(State()->inputEdit).bottom;
        EXPECT_EQ(ExpectedInputHeight(State()), heights[i]);
        ExpectSplitLayout(State());
    }
    EXPECT_GT(heights[1], heights[0] + 25);
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
    EXPECT_EQ("half-typed", WindowTextA(State()->inputEdit));
    EXPECT_EQ(State()->inputEdit, GetFocus());
}

TEST_F(Layout, MinimisingAndRestoringKeepsTheLayout)
{
    const RECT input = RectInParent(State()->inputEdit);
    const RECT output = RectInParent(State()->outputEdit);
    ShowWindow(Window(), SW_MINIMIZE);
    terminal.Pump(50);
    ASSERT_TRUE(IsIconic(Window()));
    EXPECT_EQ(input, RectInParent(State()->inputEdit));
    ShowWindow(Window(), SW_RESTORE);
    terminal.Pump(50);
    EXPECT_EQ(input, RectInParent(State()->inputEdit));
    EXPECT_EQ(output, RectInParent(State()->outputEdit));
}

TEST_F(Layout, TheOutputPaneNeverKeepsTheFocus)
{
    HWND output = State()->outputEdit;
    SendMessageA(output, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(output, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(State()->inputEdit, GetFocus());
    SetFocus(output);
    EXPECT_EQ(State()->inputEdit, GetFocus());
}

TEST_F(Layout, TheCursorIsAnArrowOverTheOutputPaneOnly)
{
    struct Case {
        HWND pane;
        WORD hitTest;
        LPCSTR cursor;
    } cases[] = {
        {State()->outputEdit, HTCLIENT, IDC_ARROW},
        {State()->inputEdit, HTCLIENT, IDC_IBEAM},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pane == State()->outputEdit ? "output" : "input");
        SetCursor(NULL);
        SendMessageA(c.pane, WM_SETCURSOR, reinterpret_cast<WPARAM>(c.pane), MAKELPARAM(c.hitTest, WM_MOUSEMOVE));
        EXPECT_EQ(LoadCursorA(NULL, c.cursor), GetCursor());
    }
    // Outside the client area the system chooses.
    EXPECT_FALSE(HandleSetCursor(Window(), State()->outputEdit, HTBORDER));
}

// Without a record (a window of another kind, or one whose record is gone)
// every entry point leaves the message alone.
TEST(LayoutWithoutARecord, NothingIsTouched)
{
    HWND window = CreateWindowExA(0, "STATIC", "plain", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL,
                                  NULL, NULL);
    LayoutPanes(window);
    LRESULT result = 0;
    HDC dc = GetDC(window);
    EXPECT_FALSE(HandleCtlColorEdit(window, dc, &result));
    ReleaseDC(window, dc);
    EXPECT_FALSE(HandleSetCursor(window, window, HTCLIENT));
    EXPECT_FALSE(HandleCommand(window, IDM_EXIT));
    EXPECT_FALSE(HandleSysCommand(window, IDM_EXIT));
    BuildMenus(window);
    RefreshTitle(window);
    EXPECT_EQ("plain", WindowTextA(window));
    EXPECT_TRUE(IsWindow(window));
    DestroyWindow(window);
}

}  // namespace
