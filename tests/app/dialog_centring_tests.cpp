#include <gtest/gtest.h>

#include <tuple>

#include "app/dialog_centring.h"
#include "app/dialog_position.h"
#include "tests/app/ui_driving.h"

namespace {

TEST(DialogPosition, CentredOverTheOwnerAndKeptOnTheScreen)
{
    const int screen = 1280;
    const std::tuple<const char *, int, int, int, int> cases[] = {
        // name, owner start and end, dialog extent, expected start
        {"centred", 200, 800, 300, 350},
        {"owner partly off the left", -400, 200, 300, 0},
        {"owner at the right edge", 1000, 1400, 300, screen - 300},
        // The caption must stay reachable: a dialog larger than the screen
        // starts at the screen edge, never before it.
        {"dialog larger than the screen", 500, 900, 1500, 0},
    };
    for (const auto &[name, ownerStart, ownerEnd, extent, expected] : cases)
        EXPECT_EQ(expected, CentredDialogStart(ownerStart, ownerEnd, extent, screen)) << name;
}

// An in-memory dialog template without controls, 120 by 60 dialog units.
struct alignas(4) EmptyDialogTemplate {
    DLGTEMPLATE header;
    WORD menu;
    WORD windowClass;
    WORD title;
};

EmptyDialogTemplate MakeTemplate(DWORD style)
{
    EmptyDialogTemplate dialog = {};
    dialog.header = {style, 0, 0, 10, 10, 120, 60};
    return dialog;
}

// Records where the dialog stands when its own initialisation runs, which is
// after the hook has seen WM_INITDIALOG, and closes it.
INT_PTR CALLBACK RecordAndClose(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    GetWindowRect(dialog, reinterpret_cast<RECT *>(lParam));
    EndDialog(dialog, 0);
    return TRUE;
}

INT_PTR CALLBACK AcceptInitialFocus(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

int initDialogsSeen;

LRESULT CALLBACK CountInitDialogs(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && reinterpret_cast<const CWPSTRUCT *>(lParam)->message == WM_INITDIALOG)
        ++initDialogsSeen;
    return CallNextHookEx(NULL, code, wParam, lParam);
}

HWND MakeOwner(int x, int y)
{
    return CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_CAPTION | WS_VISIBLE, x, y, 400, 300, NULL,
                           NULL, NULL, NULL);
}

// A hook installed before the centring one shows that every call is passed on.
class DialogCentring : public ::testing::Test {
protected:
    void SetUp() override
    {
        initDialogsSeen = 0;
        earlierHook = SetWindowsHookExA(WH_CALLWNDPROC, CountInitDialogs, NULL, GetCurrentThreadId());
        ASSERT_TRUE(InstallDialogCentring());
    }
    void TearDown() override
    {
        RemoveDialogCentring();
        UnhookWindowsHookEx(earlierHook);
    }
    HHOOK earlierHook = NULL;
};

TEST_F(DialogCentring, DialogsOpenOverTheirOwnerAndOnTheScreen)
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const char *name;
        bool owned;
        int x, y;
    } cases[] = {
        {"owner inside the screen", true, 300, 200},
        {"owner off the top left corner", true, -350, -280},
        {"owner at the right edge", true, screenWidth - 150, 200},
        {"owner at the bottom edge", true, 300, screenHeight - 100},
        {"no owner: centred on the screen", false, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HWND owner = c.owned ? MakeOwner(c.x, c.y) : NULL;
        RECT ownerRect = {};
        GetWindowRect(owner ? owner : GetDesktopWindow(), &ownerRect);
        EmptyDialogTemplate dialog = MakeTemplate(WS_POPUP | WS_CAPTION | DS_MODALFRAME);
        RECT placed = {};
        DialogBoxIndirectParamA(NULL, &dialog.header, owner, RecordAndClose, reinterpret_cast<LPARAM>(&placed));
        EXPECT_EQ(CentredDialogStart(ownerRect.left, ownerRect.right, placed.right - placed.left, screenWidth),
                  placed.left);
        EXPECT_EQ(CentredDialogStart(ownerRect.top, ownerRect.bottom, placed.bottom - placed.top, screenHeight),
                  placed.top);
        if (owner)
            DestroyWindow(owner);
    }
    EXPECT_EQ(static_cast<int>(std::size(cases)), initDialogsSeen);
}

// A dialog embedded in another window is placed in its parent's client area
// by whoever embeds it.
TEST_F(DialogCentring, EmbeddedDialogsStayWhereTheirParentPutsThem)
{
    HWND owner = MakeOwner(300, 200);
    EmptyDialogTemplate dialog = MakeTemplate(WS_CHILD | WS_VISIBLE);
    HWND embedded = CreateDialogIndirectParamA(NULL, &dialog.header, owner, AcceptInitialFocus, 0);
    RECT units = {10, 10, 0, 0};
    MapDialogRect(embedded, &units);
    RECT placed = RectInParent(embedded);
    EXPECT_EQ(units.left, placed.left);
    EXPECT_EQ(units.top, placed.top);
    DestroyWindow(owner);
}

}  // namespace
