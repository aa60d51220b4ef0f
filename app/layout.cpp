#include "app/layout.h"

#include <windowsx.h>

#include "app/pane_geometry.h"
#include "core/terminal_state.h"
#include "textflow/output_pane.h"

namespace {

PaneRect ToPaneRect(const RECT &rect)
{
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void MovePane(HWND pane, const PaneRect &rect)
{
    MoveWindow(pane, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

// One line of the pane font, measured on the input line itself; without a
// device context the font's nominal height has to do.
long WantedInputHeight(const TerminalState *state, const RECT &formatRect)
{
    HDC dc = GetDC(state->inputEdit);
    if (!dc)
        return InputHeightFromFontHeight(state->logFont.lfHeight);
    HGDIOBJ oldFont = SelectObject(dc, state->font);
    TEXTMETRICW metrics;
    BOOL measured = GetTextMetricsW(dc, &metrics);
    if (oldFont)
        SelectObject(dc, oldFont);
    ReleaseDC(state->inputEdit, dc);
    if (!measured)
        return InputHeightFromFontHeight(state->logFont.lfHeight);
    return InputHeightFromMetrics(metrics.tmHeight + metrics.tmExternalLeading, ToPaneRect(formatRect));
}

// The style bit is changed directly rather than through ShowWindow: hiding a
// window that has the focus would move the focus away, and the hidden input
// line must keep it.
void SetVisibleBit(HWND pane, bool visible)
{
    LONG style = GetWindowLongW(pane, GWL_STYLE);
    LONG wanted = visible ? (style | WS_VISIBLE) : (style & ~static_cast<LONG>(WS_VISIBLE));
    if (wanted != style)
        SetWindowLongW(pane, GWL_STYLE, wanted);
}

void ShowOutputEnd(HWND outputPane)
{
    PutCaretAtEnd(outputPane);
    SendMessageW(outputPane, EM_SCROLLCARET, 0, 0);
}

// A right click offers the command menus where the operator points; the chosen
// command reaches the main window as WM_COMMAND.
void ShowContextMenu(HWND outputPane, LPARAM clickPoint)
{
    const TerminalState *state = GetParentTerminalState(outputPane);
    if (!state || !state->contextMenu)
        return;
    POINT point = {GET_X_LPARAM(clickPoint), GET_Y_LPARAM(clickPoint)};
    ClientToScreen(outputPane, &point);
    TrackPopupMenu(state->contextMenu, TPM_RIGHTBUTTON, point.x, point.y, 0, GetParent(outputPane), NULL);
}

}  // namespace

void LayoutPanes(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || IsIconic(mainWindow))
        return;
    RECT client = {};
    RECT inputWindow = {};
    RECT inputClient = {};
    RECT formatRect = {};
    GetClientRect(mainWindow, &client);
    GetWindowRect(state->inputEdit, &inputWindow);
    MapWindowPoints(NULL, mainWindow, reinterpret_cast<POINT *>(&inputWindow), 2);
    GetClientRect(state->inputEdit, &inputClient);
    SendMessageW(state->inputEdit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatRect));
    PaneRect input = PlaceInputLine(ToPaneRect(client), ToPaneRect(inputWindow),
                                    inputClient.bottom - inputClient.top,
                                    WantedInputHeight(state, formatRect));
    SetVisibleBit(state->inputEdit, !state->hideInput);
    MovePane(state->inputEdit, input);
    MovePane(state->outputEdit, PlaceOutputPane(ToPaneRect(client), input, state->hideInput != 0));
    ShowOutputEnd(state->outputEdit);
}

BOOL HandleCtlColorEdit(HWND mainWindow, HDC dc, LRESULT *result)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->backBrush)
        return FALSE;
    SetTextColor(dc, state->textColor);
    SetBkColor(dc, state->backColor);
    *result = reinterpret_cast<LRESULT>(state->backBrush);
    return TRUE;
}

BOOL HandleSetCursor(HWND mainWindow, HWND cursorWindow, UINT hitTest)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state || cursorWindow != state->outputEdit || hitTest != HTCLIENT)
        return FALSE;
    SetCursor(LoadCursorW(NULL, IDC_ARROW));
    return TRUE;
}

// The output pane only shows text: the keyboard focus always goes on to the
// input line, even while that is hidden.
LRESULT CALLBACK OutputPaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam)
{
    const TerminalState *state = GetParentTerminalState(pane);
    if (!state || !state->outputOldProc)
        return DefWindowProcW(pane, message, wParam, lParam);
    switch (message) {
    case WM_SETFOCUS:
        if (state->inputEdit && IsWindow(state->inputEdit)) {
            SetFocus(state->inputEdit);
            return 0;
        }
        break;
    case WM_RBUTTONDOWN:
        ShowContextMenu(pane, lParam);
        // The menu ran its own message loop; the window may be gone.
        state = GetParentTerminalState(pane);
        if (!state || !state->outputOldProc)
            return 0;
        break;
    }
    return CallWindowProcW(state->outputOldProc, pane, message, wParam, lParam);
}
