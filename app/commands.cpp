#include "app/commands.h"

#include <cwchar>
#include <initializer_list>

#include "app/appearance_commands.h"
#include "app/layout.h"
#include "core/program_identity.h"
#include "core/terminal_state.h"
#include "app/window_title.h"
#include "ipc/dde_probe.h"
#include "ipc/ims_link.h"
#include "resources/resource_ids.h"
#include "serial/connect_dialogs.h"
#include "serial/port_name.h"
#include "serial/port_recovery.h"
#include "serial/serial_port.h"
#include "textflow/daily_log.h"
#include "textflow/output_pane.h"
#include "textflow/undo_capture.h"

namespace {

const int kMenuTextSize = 256;
const int kAboutFormatSize = 256;

// What the system menu may carry besides its own commands. Every number is a
// multiple of 16, so the low bits the system uses survive the masking.
const UINT kMenuCommands[] = {
    IDM_CONNECT,    IDM_OPEN_LOG,   IDM_ABOUT,  IDM_EXIT,     IDM_FONT,
    IDM_TEXT_COLOR, IDM_BACK_COLOR, IDM_LOCAL_ECHO, IDM_WRITE_LOG, IDM_HIDE_INPUT,
    IDM_IMS_LINK,   IDM_COPY_ALL,   IDM_ENABLE_UNDO,
};

struct CheckItem {
    UINT command;
    LONG TerminalState::*flag;
};

const CheckItem kCheckItems[] = {
    {IDM_HIDE_INPUT, &TerminalState::hideInput}, {IDM_LOCAL_ECHO, &TerminalState::localEcho},
    {IDM_WRITE_LOG, &TerminalState::writeLog},   {IDM_IMS_LINK, &TerminalState::imsEnabled},
    {IDM_ENABLE_UNDO, &TerminalState::enableUndo},
};

bool IsMenuCommand(UINT command)
{
    for (UINT known : kMenuCommands) {
        if (known == command)
            return true;
    }
    return false;
}

// The popups are appended, not copied: a check mark set on one shows in the
// menu bar, the system menu and the right-click menu alike.
void MirrorMenuBar(HMENU menuBar, HMENU systemMenu, HMENU contextMenu)
{
    int count = GetMenuItemCount(menuBar);
    for (int position = 0; position < count; ++position) {
        HMENU popup = GetSubMenu(menuBar, position);
        if (!popup)
            continue;
        wchar_t text[kMenuTextSize] = L"";
        GetMenuStringW(menuBar, static_cast<UINT>(position), text, kMenuTextSize, MF_BYPOSITION);
        UINT_PTR item = reinterpret_cast<UINT_PTR>(popup);
        AppendMenuW(systemMenu, MF_POPUP | MF_STRING, item, text);
        AppendMenuW(contextMenu, MF_POPUP | MF_STRING, item, text);
    }
}

// Takes the menu bar's popups out of a mirror again without destroying them.
void RemovePopups(HMENU menu)
{
    for (int position = GetMenuItemCount(menu) - 1; position >= 0; --position) {
        if (GetSubMenu(menu, position))
            RemoveMenu(menu, static_cast<UINT>(position), MF_BYPOSITION);
    }
}

// Copying everything received has no place in the menu bar; it is offered
// only where the operator points at the text or opens the window's own menu.
void AppendCopyAllItem(const TerminalState *state, HMENU systemMenu)
{
    wchar_t text[kMenuTextSize] = L"";
    if (LoadStringW(state->instance, IDS_COPY_ALL, text, kMenuTextSize) <= 0)
        return;
    for (HMENU menu : {systemMenu, state->contextMenu}) {
        AppendMenuW(menu, MF_SEPARATOR, 0, NULL);
        AppendMenuW(menu, MF_STRING, IDM_COPY_ALL, text);
    }
}

void ShowAbout(HWND mainWindow, const TerminalState *state)
{
    wchar_t format[kAboutFormatSize] = L"";
    LoadStringW(state->instance, IDS_ABOUT, format, kAboutFormatSize);
    wchar_t text[kAboutFormatSize + sizeof kProgramName + sizeof kProgramVersion];
    std::swprintf(text, sizeof text / sizeof text[0], format, kProgramName, kProgramVersion);
    MessageBoxW(mainWindow, text, kProgramName, MB_OK | MB_ICONINFORMATION);
}

void CopyAllOutput(const TerminalState *state)
{
    SendMessageW(state->outputEdit, EM_SETSEL, 0, -1);
    SendMessageW(state->outputEdit, WM_COPY, 0, 0);
}

// A flag read from a hand-edited settings file may hold any non-zero value;
// the toggle always leaves 0 or 1.
void Toggle(TerminalState *state, LONG TerminalState::*flag)
{
    state->*flag = state->*flag ? 0 : 1;
}

// The port is closed first, and the title shows it, while the operator
// chooses. What comes next may be another host: a lead byte held from this
// one would corrupt its first character.
void Connect(HWND mainWindow)
{
    ClosePort(mainWindow);
    ShowHeldLeadByte(mainWindow);
    RefreshTitle(mainWindow);
    if (ChoosePortAndBaudRate(mainWindow))
        OpenPort(mainWindow);
}

void RunCommand(HWND mainWindow, TerminalState *state, UINT command)
{
    switch (command) {
    case IDM_DUPLICATE_NOTICE:
        ShowDuplicateServiceNotice(mainWindow);
        break;
    case IDM_CONNECT:
        Connect(mainWindow);
        break;
    case IDM_OPEN_LOG:
        OpenLogFile(mainWindow);
        break;
    case IDM_ABOUT:
        ShowAbout(mainWindow, state);
        break;
    case IDM_EXIT:
        PostMessageW(mainWindow, WM_CLOSE, 0, 0);
        break;
    case IDM_FONT:
        ChoosePaneFont(mainWindow);
        break;
    case IDM_TEXT_COLOR:
        ChooseTextColor(mainWindow);
        break;
    case IDM_BACK_COLOR:
        ChooseBackColor(mainWindow);
        break;
    case IDM_LOCAL_ECHO:
        Toggle(state, &TerminalState::localEcho);
        break;
    case IDM_WRITE_LOG:
        Toggle(state, &TerminalState::writeLog);
        break;
    case IDM_HIDE_INPUT:
        Toggle(state, &TerminalState::hideInput);
        LayoutPanes(mainWindow);
        break;
    case IDM_IMS_LINK:
        ToggleImsLink(mainWindow);
        break;
    case IDM_COPY_ALL:
        CopyAllOutput(state);
        break;
    case IDM_ENABLE_UNDO:
        ToggleUndoCapture(state);
        break;
    }
}

}  // namespace

void BuildMenus(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    HMENU systemMenu = GetSystemMenu(mainWindow, FALSE);
    state->contextMenu = CreatePopupMenu();
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, NULL);
    MirrorMenuBar(GetMenu(mainWindow), systemMenu, state->contextMenu);
    AppendCopyAllItem(state, systemMenu);
}

// The popups belong to the menu bar, which goes with the window; the mirrors
// only lend them. Destroying a mirror that still held them, or the system
// destroying the system menu, would destroy them twice.
void DetachMirroredMenus(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    RemovePopups(GetSystemMenu(mainWindow, FALSE));
    RemovePopups(state->contextMenu);
}

// Menu (0) and accelerator (1) commands only: the panes' notifications arrive
// as WM_COMMAND too, with their own codes. Every command may run a nested
// message loop, so the title is rebuilt from the record as it is afterwards.
BOOL HandleCommand(HWND mainWindow, WPARAM wParam)
{
    TerminalState *state = GetTerminalState(mainWindow);
    UINT code = HIWORD(wParam);
    if (!state || (code != 0 && code != 1))
        return FALSE;
    RunCommand(mainWindow, state, LOWORD(wParam));
    RefreshTitle(mainWindow);
    return TRUE;
}

// The menus mirrored into the system menu report their items as system
// commands; posting them on as WM_COMMAND makes them run exactly as from the
// menu bar.
BOOL HandleSysCommand(HWND mainWindow, WPARAM wParam)
{
    UINT command = static_cast<UINT>(wParam & 0xFFF0);
    if (!GetTerminalState(mainWindow) || !IsMenuCommand(command))
        return FALSE;
    PostMessageW(mainWindow, WM_COMMAND, command, 0);
    return TRUE;
}

void UpdateMenuChecks(HWND mainWindow, HMENU popup)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    for (const CheckItem &item : kCheckItems)
        CheckMenuItem(popup, item.command, MF_BYCOMMAND | (state->*item.flag ? MF_CHECKED : MF_UNCHECKED));
}

void RefreshTitle(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    bool portShown = IsPortInUse(mainWindow) != 0;
    wchar_t portState[32] = L"";
    if (IsPortWaiting(mainWindow))
        LoadStringW(state->instance, IDS_PORT_WAITING, portState, sizeof portState / sizeof portState[0]);
    TitleParts parts = {state->logBacklog != NULL, portShown, portShown ? PortNumber(state->portIndex) : 0,
                        state->baudRate, portState, state->ddeEnabled != 0, state->ddeServer.serviceName};
    wchar_t title[256];
    FormatWindowTitle(title, sizeof title / sizeof title[0], parts);
    SetWindowTextW(mainWindow, title);
}
