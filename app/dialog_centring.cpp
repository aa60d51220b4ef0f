#include "app/dialog_centring.h"

#include "app/dialog_position.h"

// The one global of the program: a hook procedure has nowhere else to find
// its own handle for CallNextHookEx.
static HHOOK centringHook;

static int Width(const RECT &rect)
{
    return rect.right - rect.left;
}

static int Height(const RECT &rect)
{
    return rect.bottom - rect.top;
}

// A dialog embedded in another window (WS_CHILD, as a file picker's extension
// panel) is placed by its parent in client coordinates; only top-level
// dialogs are moved.
static void CentreDialog(HWND dialog)
{
    if (GetWindowLongW(dialog, GWL_STYLE) & WS_CHILD)
        return;
    HWND owner = GetParent(dialog);
    if (!owner)
        owner = GetDesktopWindow();
    RECT ownerRect;
    RECT dialogRect;
    if (!GetWindowRect(owner, &ownerRect) || !GetWindowRect(dialog, &dialogRect))
        return;
    int x = CentredDialogStart(ownerRect.left, ownerRect.right, Width(dialogRect),
                               GetSystemMetrics(SM_CXSCREEN));
    int y = CentredDialogStart(ownerRect.top, ownerRect.bottom, Height(dialogRect),
                               GetSystemMetrics(SM_CYSCREEN));
    SetWindowPos(dialog, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static LRESULT CALLBACK CentringHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    const auto *call = reinterpret_cast<const CWPSTRUCT *>(lParam);
    if (code == HC_ACTION && call && call->message == WM_INITDIALOG)
        CentreDialog(call->hwnd);
    return CallNextHookEx(centringHook, code, wParam, lParam);
}

BOOL InstallDialogCentring(void)
{
    if (!centringHook)
        centringHook = SetWindowsHookExW(WH_CALLWNDPROC, CentringHookProc, NULL, GetCurrentThreadId());
    return centringHook != NULL;
}

void RemoveDialogCentring(void)
{
    if (centringHook)
        UnhookWindowsHookEx(centringHook);
    centringHook = NULL;
}
