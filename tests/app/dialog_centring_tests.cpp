#include <gtest/gtest.h>

#include "app/dialog_centring.h"
#include "tests/app/ui_driving.h"
#include "tests/support/terminal_under_test.h"

namespace {

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
    dialog.header.style = style;
    dialog.header.x = 10;
    dialog.header.y = 10;
    dialog.header.cx = 120;
    dialog.header.cy = 60;
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

RECT OpenDialogOver(HWND owner)
{
    EmptyDialogTemplate dialog = MakeTemplate(WS_POPUP | WS_CAPTION | DS_MODALFRAME);
    RECT placed = {};
    DialogBoxIndirectParamA(NULL, &dialog.header, owner, RecordAndClose, reinterpret_cast<LPARAM>(&placed));
    return placed;
}

HWND MakeOwner(int x, int y)
{
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_CAPTION | WS_VISIBLE, x, y, 400, 300,
                                 NULL, NULL, NULL, NULL);
    return owner;
}

LONG Centre(LONG start, LONG end)
{
    return (start + end) / 2;
}

enum class Along { Centred, ScreenStart, ScreenEnd };

void ExpectPlaced(Along along, LONG ownerStart, LONG ownerEnd, LONG start, LONG end, LONG screen)
{
    switch (along) {
    case Along::Centred:
        EXPECT_NEAR(Centre(ownerStart, ownerEnd), Centre(start, end), 1);
        break;
    case Along::ScreenStart:
        EXPECT_EQ(0, start);
        break;
    case Along::ScreenEnd:
        EXPECT_EQ(screen, end);
        break;
    }
}

class DialogCentring : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InstallDialogCentring()); }
    void TearDown() override { RemoveDialogCentring(); }
};

TEST_F(DialogCentring, DialogsOpenOverTheirOwnerAndOnTheScreen)
{
    const LONG screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const LONG screenHeight = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const char *name;
        int x, y;
        Along horizontal, vertical;
    } cases[] = {
        {"owner inside the screen", 300, 200, Along::Centred, Along::Centred},
        {"owner partly off the left", -300, 200, Along::ScreenStart, Along::Centred},
        {"owner partly off the top", 300, -250, Along::Centred, Along::ScreenStart},
        {"owner off the top left corner", -350, -280, Along::ScreenStart, Along::ScreenStart},
        {"owner at the right edge", screenWidth - 150, 200, Along::ScreenEnd, Along::Centred},
        {"owner at the bottom edge", 300, screenHeight - 100, Along::Centred, Along::ScreenEnd},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HWND owner = MakeOwner(c.x, c.y);
        RECT ownerRect = {};
        GetWindowRect(owner, &ownerRect);
        RECT dialog = OpenDialogOver(owner);
        ASSERT_GT(dialog.right - dialog.left, 100);
        ExpectPlaced(c.horizontal, ownerRect.left, ownerRect.right, dialog.left, dialog.right, screenWidth);
        ExpectPlaced(c.vertical, ownerRect.top, ownerRect.bottom, dialog.top, dialog.bottom, screenHeight);
        DestroyWindow(owner);
    }
}

TEST_F(DialogCentring, WithoutOwnerTheScreenIsTheOwner)
{
    RECT dialog = OpenDialogOver(NULL);
    EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN) / 2, Centre(dialog.left, dialog.right), 1);
    EXPECT_NEAR(GetSystemMetrics(SM_CYSCREEN) / 2, Centre(dialog.top, dialog.bottom), 1);
}

TEST_F(DialogCentring, OnlyTheHookMovesDialogs)
{
    HWND owner = MakeOwner(600, 500);
    RECT ownerRect = {};
    GetWindowRect(owner, &ownerRect);
    RemoveDialogCentring();
    RECT dialog = OpenDialogOver(owner);
    EXPECT_GT(Centre(ownerRect.left, ownerRect.right) - Centre(dialog.left, dialog.right), 20);
    DestroyWindow(owner);
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

// Hooks installed before ours still see every message.
TEST_F(DialogCentring, TheHookPassesEveryCallOn)
{
    RemoveDialogCentring();
    initDialogsSeen = 0;
    HHOOK earlier = SetWindowsHookExA(WH_CALLWNDPROC, CountInitDialogs, NULL, GetCurrentThreadId());
    ASSERT_TRUE(InstallDialogCentring());
    OpenDialogOver(NULL);
    EXPECT_EQ(1, initDialogsSeen);
    UnhookWindowsHookEx(earlier);
}

TEST(DialogCentringOfTheProgram, TheConnectDialogOpensOverTheMainWindow)
{
    TerminalUnderTest terminal;
    ASSERT_TRUE(terminal.Start());
    HWND dialog = terminal.WaitForDialog(kPortDialogTitle);
    ASSERT_NE(nullptr, dialog);
    RECT main = {};
    RECT placed = {};
    GetWindowRect(terminal.MainWindow(), &main);
    GetWindowRect(dialog, &placed);
    EXPECT_NEAR(Centre(main.left, main.right), Centre(placed.left, placed.right), 1);
    EXPECT_NEAR(Centre(main.top, main.bottom), Centre(placed.top, placed.bottom), 1);
    EXPECT_TRUE(terminal.AnswerPortDialog(0, false));
}

}  // namespace
