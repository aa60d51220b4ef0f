#include "serial/connect_dialogs.h"

#include <algorithm>

#include "core/terminal_state.h"
#include "resources/resource_ids.h"
#include "serial/port_devices.h"
#include "serial/port_name.h"
#include "serial/present_ports.h"

// A dialog of radio buttons, one per value, with ids counting up from 1000.
// A stored value that matches no button checks the fallback button, or none.
struct ChoiceSet {
    const LONG *values;
    int count;
    int fallback;
    LONG TerminalState::*field;
};

static const LONG kPortIndexes[] = {0, 1, 2, 3};
static const int kMaxOtherPorts = 252;
static const LONG kBaudRates[] = {300, 1200, 2400, 4800, 9600};
static const ChoiceSet kPortChoices = {kPortIndexes, 4, -1, &TerminalState::portIndex};
static const ChoiceSet kBaudRateChoices = {kBaudRates, 5, 1, &TerminalState::baudRate};

static void CheckStoredChoice(HWND dialog, const TerminalState *state, const ChoiceSet &choices)
{
    int checked = choices.fallback;
    for (int i = 0; i < choices.count; ++i) {
        if (choices.values[i] == state->*choices.field)
            checked = i;
    }
    if (checked >= 0)
        CheckRadioButton(dialog, IDC_CHOICE_FIRST, IDC_CHOICE_FIRST + choices.count - 1,
                         IDC_CHOICE_FIRST + checked);
}

static void StoreCheckedChoice(HWND dialog, TerminalState *state, const ChoiceSet &choices)
{
    for (int i = 0; i < choices.count; ++i) {
        if (IsDlgButtonChecked(dialog, IDC_CHOICE_FIRST + i) == BST_CHECKED) {
            state->*choices.field = choices.values[i];
            return;
        }
    }
}

static INT_PTR ChoiceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                                const ChoiceSet &choices)
{
    if (message == WM_INITDIALOG) {
        auto *state = reinterpret_cast<TerminalState *>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        if (state)
            CheckStoredChoice(dialog, state, choices);
        return TRUE;
    }
    if (message != WM_COMMAND || HIWORD(wParam) != 0)
        return FALSE;
    auto *state = reinterpret_cast<TerminalState *>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (LOWORD(wParam)) {
    case IDOK:
        if (state)
            StoreCheckedChoice(dialog, state, choices);
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

// Wide enough for "COM256: " and any name a device is likely to be given.
static const int kPortChoiceChars = 128;

// The list drops down wide enough for the longest text, names included; the
// box itself keeps its place in the dialog.
static void FitDroppedWidth(HWND list)
{
    HDC dc = GetDC(list);
    if (!dc)
        return;
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[kPortChoiceChars];
        if (SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) >= kPortChoiceChars)
            continue;
        int length = static_cast<int>(SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text)));
        SIZE extent = {};
        if (length > 0 && GetTextExtentPoint32W(dc, text, length, &extent))
            widest = std::max(widest, extent.cx);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    // The list's border, its items' margins and a scroll bar beside them.
    int frame = 4 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
    SendMessageW(list, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + frame), 0);
}

// The ports present beyond the four buttons (USB adapters are numbered from
// COM3 up to COM20 and beyond), each item holding its port index and showing
// the name Windows gives its device. A stored index of 4 or more is shown
// chosen when its port is present.
static void ListOtherPorts(HWND dialog, const TerminalState *state)
{
    HWND list = GetDlgItem(dialog, IDC_OTHER_PORTS);
    int numbers[kMaxOtherPorts];
    int count = ListPresentPorts(numbers, kMaxOtherPorts);
    PortDevices devices;
    for (int i = 0; i < count; ++i) {
        wchar_t deviceName[kPortChoiceChars] = L"";
        devices.FindName(numbers[i], deviceName, kPortChoiceChars);
        wchar_t text[kPortChoiceChars];
        MakePortChoiceText(numbers[i], deviceName, text, kPortChoiceChars);
        LRESULT item = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(item), numbers[i] - 1);
        if (state && numbers[i] - 1 == state->portIndex)
            SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
    EnableWindow(list, count > 0);
    FitDroppedWidth(list);
}

// Only one choice shows at a time: a port from the list or a button.
static void KeepOneChoice(HWND dialog, WPARAM wParam)
{
    if (LOWORD(wParam) == IDC_OTHER_PORTS && HIWORD(wParam) == CBN_SELCHANGE)
        CheckRadioButton(dialog, IDC_CHOICE_FIRST, IDC_CHOICE_FIRST + 3, 0);
    else if (LOWORD(wParam) >= IDC_CHOICE_FIRST && LOWORD(wParam) <= IDC_CHOICE_FIRST + 3 && HIWORD(wParam) == BN_CLICKED)
        SendDlgItemMessageW(dialog, IDC_OTHER_PORTS, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

static void StoreOtherPort(HWND dialog, TerminalState *state)
{
    LRESULT item = SendDlgItemMessageW(dialog, IDC_OTHER_PORTS, CB_GETCURSEL, 0, 0);
    if (state && item != CB_ERR)
        state->portIndex = static_cast<LONG>(SendDlgItemMessageW(dialog, IDC_OTHER_PORTS, CB_GETITEMDATA, item, 0));
}

static INT_PTR CALLBACK PortDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        ListOtherPorts(dialog, reinterpret_cast<const TerminalState *>(lParam));
    if (message == WM_COMMAND)
        KeepOneChoice(dialog, wParam);
    if (message == WM_COMMAND && wParam == IDOK)
        StoreOtherPort(dialog, reinterpret_cast<TerminalState *>(GetWindowLongPtrW(dialog, DWLP_USER)));
    return ChoiceDialogProc(dialog, message, wParam, lParam, kPortChoices);
}

static INT_PTR CALLBACK BaudRateDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ChoiceDialogProc(dialog, message, wParam, lParam, kBaudRateChoices);
}

// The record is looked up afresh for each dialog: the main window may be
// closed while a dialog's own message loop runs.
static BOOL RunChoiceDialog(HWND mainWindow, int resource, DLGPROC procedure)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return FALSE;
    return DialogBoxParamW(state->instance, MAKEINTRESOURCEW(resource), mainWindow, procedure,
                           reinterpret_cast<LPARAM>(state)) == IDOK;
}

BOOL ChoosePortAndBaudRate(HWND mainWindow)
{
    return RunChoiceDialog(mainWindow, IDD_PORT, PortDialogProc) &&
           RunChoiceDialog(mainWindow, IDD_BAUDRATE, BaudRateDialogProc);
}
