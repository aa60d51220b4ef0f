#include "app/appearance_commands.h"

#include <commdlg.h>

#include <cstring>

#include "app/layout.h"
#include "core/terminal_state.h"
#include "resources/resource_ids.h"

namespace {

const int kPickerTitleSize = 80;

struct ColorCommand {
    UINT titleEntry;
    COLORREF TerminalState::*color;
    bool paintsBackground;
};

const ColorCommand kTextColor = {IDS_TEXT_COLOR_TITLE, &TerminalState::textColor, false};
const ColorCommand kBackColor = {IDS_BACK_COLOR_TITLE, &TerminalState::backColor, true};

// The colour picker has no title of its own to set; its hook gives it the one
// handed over in the custom data.
UINT_PTR CALLBACK ColorPickerHook(HWND picker, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return 0;
    const auto *choice = reinterpret_cast<const CHOOSECOLORW *>(lParam);
    if (choice && (choice->Flags & CC_ENABLEHOOK)) {
        const wchar_t *title = reinterpret_cast<const wchar_t *>(choice->lCustData);
        if (title && title[0])
            SetWindowTextW(picker, title);
    }
    return TRUE;
}

void RepaintPanes(const TerminalState *state)
{
    InvalidateRect(state->inputEdit, NULL, TRUE);
    InvalidateRect(state->outputEdit, NULL, TRUE);
}

// The new brush is made before the old one goes, so a failure leaves the
// panes painting as before.
bool ApplyColor(TerminalState *state, const ColorCommand &command, COLORREF color)
{
    if (command.paintsBackground) {
        HBRUSH brush = CreateSolidBrush(color);
        if (!brush)
            return false;
        if (state->backBrush)
            DeleteObject(state->backBrush);
        state->backBrush = brush;
    }
    state->*command.color = color;
    return true;
}

// The picker works on copies: its own message loop may see the main window
// destroyed and the record freed, and it writes the custom colours back as
// the operator defines them, whether or not OK is pressed then.
void RunColorPicker(HWND mainWindow, const ColorCommand &command)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    COLORREF customColors[16];
    std::memcpy(customColors, state->customColors, sizeof customColors);
    wchar_t title[kPickerTitleSize] = L"";
    CHOOSECOLORW choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = mainWindow;
    choice.rgbResult = state->*command.color;
    choice.lpCustColors = customColors;
    choice.Flags = CC_RGBINIT;
    if (LoadStringW(state->instance, command.titleEntry, title, kPickerTitleSize) > 0) {
        choice.Flags |= CC_ENABLEHOOK;
        choice.lpfnHook = ColorPickerHook;
        choice.lCustData = reinterpret_cast<LPARAM>(title);
    }
    BOOL chosen = ChooseColorW(&choice);
    state = GetTerminalState(mainWindow);
    if (!state)
        return;
    std::memcpy(state->customColors, customColors, sizeof customColors);
    if (chosen && ApplyColor(state, command, choice.rgbResult))
        RepaintPanes(state);
}

void SetPaneFonts(const TerminalState *state)
{
    WPARAM font = reinterpret_cast<WPARAM>(state->font);
    SendMessageW(state->inputEdit, WM_SETFONT, font, TRUE);
    SendMessageW(state->outputEdit, WM_SETFONT, font, TRUE);
}

}  // namespace

// The new font is made and handed to the panes before the old one is deleted:
// a pane must never be left drawing with a deleted font, and a font that
// cannot be made leaves everything as it was.
void ChoosePaneFont(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    LOGFONTW chosen = state->logFont;
    CHOOSEFONTW choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = mainWindow;
    choice.lpLogFont = &chosen;
    choice.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_SCRIPTSONLY;
    if (!ChooseFontW(&choice))
        return;
    state = GetTerminalState(mainWindow);
    if (!state)
        return;
    HFONT font = CreateFontIndirectW(&chosen);
    if (!font)
        return;
    HFONT oldFont = state->font;
    state->font = font;
    state->logFont = chosen;
    SetPaneFonts(state);
    if (oldFont)
        DeleteObject(oldFont);
    SetFocus(mainWindow);
    LayoutPanes(mainWindow);
}

void ChooseTextColor(HWND mainWindow)
{
    RunColorPicker(mainWindow, kTextColor);
}

void ChooseBackColor(HWND mainWindow)
{
    RunColorPicker(mainWindow, kBackColor);
}
