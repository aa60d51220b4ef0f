#include <gtest/gtest.h>

#include <cstring>

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

const wchar_t kTextColorTitle[] = L"文字色の設定";
const wchar_t kBackColorTitle[] = L"背景色の設定";

const COLORREF kChosenColor = RGB(10, 20, 30);

// Picks an entry of one of the picker's combo boxes the way a click does.
void PickFromList(HWND picker, int boxId, const char *entry)
{
    HWND box = GetDlgItem(picker, boxId);
    LRESULT index = SendMessageA(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(entry));
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(picker, WM_COMMAND, MAKEWPARAM(boxId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

void ChooseFontInPicker(HWND picker, const char *face, const char *size)
{
    PickFromList(picker, kFontFaceBox, face);
    PickFromList(picker, kFontSizeBox, size);
}

void SetPickerColor(HWND picker, COLORREF color)
{
    SetDlgItemInt(picker, kRedEdit, GetRValue(color), FALSE);
    SetDlgItemInt(picker, kGreenEdit, GetGValue(color), FALSE);
    SetDlgItemInt(picker, kBlueEdit, GetBValue(color), FALSE);
}

HFONT PaneFont(HWND pane)
{
    return reinterpret_cast<HFONT>(SendMessageA(pane, WM_GETFONT, 0, 0));
}

COLORREF PixelOf(HWND pane)
{
    InvalidateRect(pane, NULL, TRUE);
    UpdateWindow(pane);
    HDC dc = GetDC(pane);
    COLORREF pixel = GetPixel(dc, 2, 2);
    ReleaseDC(pane, dc);
    return pixel;
}

class Appearance : public ShownTerminal {};

TEST_F(Appearance, AFontChosenInThePickerGoesToBothPanesAndTheLayout)
{
    const HFONT stockFont = State()->font;
    const LONG inputHeight = ClientRectOf(State()->inputEdit).bottom;
    ASSERT_TRUE(WithDialog(NULL, [&] { SendCommand(Window(), IDM_FONT, 1); },
                           [](HWND picker) {
                               ChooseFontInPicker(picker, "DejaVu Sans Mono", "36");
                               PressDialogButton(picker, IDOK);
                           }));
    terminal.Pump(50);
    const TerminalState *state = State();
    EXPECT_STREQ("DejaVu Sans Mono", state->logFont.lfFaceName);
    EXPECT_NE(stockFont, state->font);
    EXPECT_EQ(state->font, PaneFont(state->inputEdit));
    EXPECT_EQ(state->font, PaneFont(state->outputEdit));
    LOGFONTA made = {};
    GetObjectA(state->font, sizeof made, &made);
    EXPECT_STREQ("DejaVu Sans Mono", made.lfFaceName);
    EXPECT_GT(ClientRectOf(state->inputEdit).bottom, inputHeight + 20);
    EXPECT_EQ(state->inputEdit, GetFocus());

    // A second change replaces the font the first one made.
    const HFONT firstChoice = state->font;
    const LONG tallHeight = ClientRectOf(state->inputEdit).bottom;
    ASSERT_TRUE(WithDialog(NULL, [&] { SendCommand(Window(), IDM_FONT); },
                           [](HWND picker) {
                               ChooseFontInPicker(picker, "DejaVu Sans Mono", "8");
                               PressDialogButton(picker, IDOK);
                           }));
    EXPECT_NE(firstChoice, State()->font);
    EXPECT_EQ(0, GetObjectType(firstChoice)) << "the replaced font is deleted";
    EXPECT_LT(ClientRectOf(State()->inputEdit).bottom, tallHeight - 20);
}

TEST_F(Appearance, CancellingTheFontPickerChangesNothing)
{
    const HFONT font = State()->font;
    const LOGFONTA logFont = State()->logFont;
    ASSERT_TRUE(WithDialog(NULL, [&] { SendCommand(Window(), IDM_FONT); },
                           [](HWND picker) {
                               ChooseFontInPicker(picker, "DejaVu Sans Mono", "36");
                               PressDialogButton(picker, IDCANCEL);
                           }));
    EXPECT_EQ(font, State()->font);
    EXPECT_EQ(0, std::memcmp(&logFont, &State()->logFont, sizeof logFont));
}

struct ColorCase {
    const char *name;
    UINT command;
    const wchar_t *title;
    COLORREF TerminalState::*field;
};

const ColorCase kColorCases[] = {
    {"text colour", IDM_TEXT_COLOR, kTextColorTitle, &TerminalState::textColor},
    {"background colour", IDM_BACK_COLOR, kBackColorTitle, &TerminalState::backColor},
};

TEST_F(Appearance, ColourPickersCarryTheirTitlesAndPaintBothPanes)
{
    for (const ColorCase &c : kColorCases) {
        SCOPED_TRACE(c.name);
        const HBRUSH oldBrush = State()->backBrush;
        ASSERT_TRUE(WithDialog(c.title, [&] { SendCommand(Window(), c.command); },
                               [](HWND picker) {
                                   SetPickerColor(picker, kChosenColor);
                                   PressDialogButton(picker, IDOK);
                               }));
        terminal.Pump(50);
        EXPECT_EQ(kChosenColor, State()->*c.field);
        for (HWND pane : {State()->inputEdit, State()->outputEdit}) {
            HDC dc = GetDC(pane);
            LRESULT brush = SendMessageA(Window(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(pane));
            EXPECT_EQ(reinterpret_cast<LRESULT>(State()->backBrush), brush);
            EXPECT_EQ(State()->textColor, GetTextColor(dc));
            EXPECT_EQ(State()->backColor, GetBkColor(dc));
            ReleaseDC(pane, dc);
        }
        if (c.field == &TerminalState::backColor) {
            EXPECT_NE(oldBrush, State()->backBrush);
            EXPECT_EQ(0, GetObjectType(oldBrush)) << "the replaced brush is deleted";
            EXPECT_EQ(kChosenColor, PixelOf(State()->outputEdit));
        }
    }
}

TEST_F(Appearance, CancellingAColourPickerKeepsTheColourButNotTheCustomColours)
{
    for (const ColorCase &c : kColorCases) {
        SCOPED_TRACE(c.name);
        const COLORREF color = State()->*c.field;
        const HBRUSH brush = State()->backBrush;
        State()->customColors[0] = RGB(255, 255, 255);
        ASSERT_TRUE(WithDialog(c.title, [&] { SendCommand(Window(), c.command); },
                               [](HWND picker) {
                                   SetPickerColor(picker, kChosenColor);
                                   PressDialogButton(picker, kAddCustomColorButton);
                                   PressDialogButton(picker, IDCANCEL);
                               }));
        EXPECT_EQ(color, State()->*c.field);
        EXPECT_EQ(brush, State()->backBrush);
        // Defined in one picker, offered again by the next.
        EXPECT_EQ(kChosenColor, State()->customColors[0]);
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
