// The main window shown: commands from every source, menus, layout, the
// pickers and dialogs over it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <thread>
#include <string>
#include <tuple>
#include <vector>

#include "app/commands.h"
#include "app/dialog_centring.h"
#include "app/layout.h"
#include "resources/resource_ids.h"
#include "serial/serial_port.h"
#include "settings/settings_file.h"
#include "tests/harness.h"
#include "tools/driving/files.h"
#include "tools/driving/window_search.h"

namespace {

// A window's corners in its parent's client coordinates.
std::vector<LONG> Corners(HWND parent, HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    MapWindowPoints(NULL, parent, reinterpret_cast<POINT *>(&rect), 2);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

class ShownWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallDialogCentring();
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
        Pump(50);
    }
    void TearDown() override { RemoveDialogCentring(); }
    TerminalState *State() const { return terminal.State(); }
    void Command(UINT command, UINT code = 0) { SendMessageA(window, WM_COMMAND, MAKEWPARAM(command, code), 0); }
    // The input line along the bottom at full width, the output pane above it.
    void ExpectSplit()
    {
        RECT client = {};
        GetClientRect(window, &client);
        const LONG top = Corners(window, State()->inputEdit)[1];
        EXPECT_EQ((std::vector<LONG>{0, top, client.right, client.bottom}), Corners(window, State()->inputEdit));
        EXPECT_EQ((std::vector<LONG>{0, 0, client.right, top}), Corners(window, State()->outputEdit));
        EXPECT_TRUE(IsWindowVisible(State()->inputEdit));
    }

    LocalTerminal terminal;
    HWND window = terminal.window;
};

TEST_F(ShownWindow, EverySourceRunsTheSameCommandAndPaneNotificationsNone)
{
    HWND pane = State()->outputEdit;
    // source, and whether local echo is switched on by it
    const std::tuple<std::function<void()>, bool> sources[] = {
        {[&] { Command(IDM_LOCAL_ECHO, 0); }, true},
        {[&] { Command(IDM_LOCAL_ECHO, 1); }, true},
        {[&] { PostMessageA(window, WM_SYSCOMMAND, IDM_LOCAL_ECHO | 0x000B, 0); }, true},
        // Keys posted first wait for the menu's own loop: "設定(&O)", "ﾛｰｶﾙｴｺｰする(&E)".
        {[&] {
             PostMessageA(window, WM_CHAR, 'o', 0);
             PostMessageA(window, WM_CHAR, 'e', 0);
             SendMessageA(pane, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
         }, true},
        {[&] { SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_LOCAL_ECHO, EN_CHANGE), reinterpret_cast<LPARAM>(pane)); },
         false},
        {[&] { SendMessageA(State()->inputEdit, WM_CHAR, 'x', 0); }, false},
    };
    for (const auto &[choose, runs] : sources) {
        State()->localEcho = 0;
        SetWindowTextA(window, "stale");
        choose();
        Pump(100);
        EXPECT_EQ(runs ? 1 : 0, State()->localEcho);
        EXPECT_EQ(runs ? "VRK" : "stale", TextOf(window)) << "the title is rebuilt after every command";
    }
    EXPECT_FALSE(HandleSysCommand(window, SC_SIZE));
    // A hand-edited setting may hold any non-zero value; toggles leave 0 or 1.
    State()->writeLog = 5;
    Command(IDM_WRITE_LOG);
    Command(IDM_WRITE_LOG);
    EXPECT_EQ(1, State()->writeLog);
}

TEST_F(ShownWindow, TheMenusAreMirroredTheirMarksFollowTheFlagsAndCopyAllCopies)
{
    HMENU settings = GetSubMenu(GetMenu(window), 1);
    for (HMENU menu : {State()->contextMenu, GetSystemMenu(window, FALSE)}) {
        const int count = GetMenuItemCount(menu);
        EXPECT_EQ(GetSubMenu(GetMenu(window), 0), GetSubMenu(menu, count - 4)) << "the popups are shared";
        EXPECT_EQ(settings, GetSubMenu(menu, count - 3));
        EXPECT_EQ(static_cast<UINT>(IDM_COPY_ALL), GetMenuItemID(menu, count - 1));
    }
    const std::pair<UINT, LONG TerminalState::*> items[] = {
        {IDM_HIDE_INPUT, &TerminalState::hideInput}, {IDM_LOCAL_ECHO, &TerminalState::localEcho},
        {IDM_WRITE_LOG, &TerminalState::writeLog}, {IDM_IMS_LINK, &TerminalState::imsEnabled},
        {IDM_ENABLE_UNDO, &TerminalState::enableUndo},
    };
    for (LONG first : {0, 1}) {
        LONG value = first;
        for (const auto &[item, flag] : items) {
            State()->*flag = value;
            CheckMenuItem(settings, item, MF_BYCOMMAND | (value ? MF_UNCHECKED : MF_CHECKED));
            value = !value;
        }
        SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(settings), 1);
        for (const auto &[item, flag] : items)
            EXPECT_EQ(State()->*flag != 0, (GetMenuState(settings, item, MF_BYCOMMAND) & MF_CHECKED) != 0) << item;
    }

    SetTextOf(State()->outputEdit, "READY\r\n\x83\x65\x83\x58\x83\x67 OK\r\nlast");
    Command(IDM_COPY_ALL);
    ASSERT_TRUE(OpenClipboard(NULL));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    EXPECT_STREQ(L"READY\r\nテスト OK\r\nlast", data ? static_cast<const wchar_t *>(GlobalLock(data)) : L"");
    GlobalUnlock(data);
    CloseClipboard();

    // Only the menu bar destroys the popups: kept from the window, they outlive it.
    const HMENU bar = GetMenu(window);
    SetMenu(window, NULL);
    DestroyWindow(window);
    EXPECT_TRUE(IsMenu(settings));
    DestroyMenu(bar);
}

TEST_F(ShownWindow, PanesFollowResizingHidingAndTheFontAndTheFocusStaysInTheInputLine)
{
    for (SIZE size : {SIZE{300, 200}, SIZE{1000, 700}}) {
        SetWindowPos(window, NULL, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        ExpectSplit();
    }
    const std::vector<LONG> input = Corners(window, State()->inputEdit);
    ShowWindow(window, SW_MINIMIZE);
    ShowWindow(window, SW_RESTORE);
    Pump(50);
    EXPECT_EQ(input, Corners(window, State()->inputEdit)) << "minimised and restored, nothing moves";

    SetWindowTextA(State()->inputEdit, "half-typed");
    Command(IDM_HIDE_INPUT);
    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_FALSE(IsWindowVisible(State()->inputEdit));
    EXPECT_EQ((std::vector<LONG>{0, 0, client.right, client.bottom}), Corners(window, State()->outputEdit));
    EXPECT_EQ(State()->inputEdit, GetFocus());
    Command(IDM_HIDE_INPUT);
    ExpectSplit();
    EXPECT_EQ("half-typed", TextOf(State()->inputEdit));

    SendMessageA(State()->outputEdit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(State()->outputEdit, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(State()->inputEdit, GetFocus()) << "a click into the output pane";
    SetCursor(NULL);
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(State()->outputEdit), MAKELPARAM(HTCLIENT, 0));
    EXPECT_EQ(LoadCursorW(NULL, IDC_ARROW), GetCursor());

    // A taller font makes a taller input line; Cancel changes nothing.
    const auto chooseFont = [&](const char *size, int button) {
        ASSERT_TRUE(WithDialog(NULL, [&] { Command(IDM_FONT, 1); }, [&](HWND picker) {
            const int kSizeBox = 0x472;
            HWND box = GetDlgItem(picker, kSizeBox);
            LRESULT entry = SendMessageA(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(size));
            SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
            SendMessageA(picker, WM_COMMAND, MAKEWPARAM(kSizeBox, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
            PressDialogButton(picker, button);
        }));
        Pump(50);
    };
    chooseFont("36", IDOK);
    RECT inputClient = {};
    GetClientRect(State()->inputEdit, &inputClient);
    EXPECT_GE(inputClient.bottom, std::abs(State()->logFont.lfHeight)) << "room for a line of the font";
    const HFONT tall = State()->font;
    const LONG tallInput = Corners(window, State()->inputEdit)[1];
    chooseFont("8", IDCANCEL);
    EXPECT_EQ(tall, State()->font);
    chooseFont("8", IDOK);
    EXPECT_EQ(0u, GetObjectType(tall)) << "the replaced font is deleted";
    EXPECT_GT(Corners(window, State()->inputEdit)[1], tallInput) << "a smaller font, a lower input line";
    for (HWND pane : {State()->inputEdit, State()->outputEdit})
        EXPECT_EQ(reinterpret_cast<LRESULT>(State()->font), SendMessageA(pane, WM_GETFONT, 0, 0));
    ExpectSplit();
    EXPECT_EQ(State()->inputEdit, GetFocus());
}

TEST_F(ShownWindow, ColourPickersCarryTheirTitlesAndTheirColoursPaintBothPanes)
{
    const COLORREF chosen = RGB(10, 20, 30);
    const std::tuple<UINT, const wchar_t *, COLORREF TerminalState::*> cases[] = {
        {IDM_TEXT_COLOR, L"文字色の設定", &TerminalState::textColor},
        {IDM_BACK_COLOR, L"背景色の設定", &TerminalState::backColor},
    };
    for (const auto &[command, title, field] : cases) {
        for (int button : {IDCANCEL, IDOK}) {
            const COLORREF before = State()->*field;
            const HBRUSH brush = State()->backBrush;
            ASSERT_TRUE(WithDialog(title, [&] { Command(command); }, [&](HWND picker) {
                SetDlgItemInt(picker, 706, GetRValue(chosen), FALSE);
                SetDlgItemInt(picker, 707, GetGValue(chosen), FALSE);
                SetDlgItemInt(picker, 708, GetBValue(chosen), FALSE);
                PressDialogButton(picker, 712);  // add to the custom colours
                PressDialogButton(picker, button);
            }));
            Pump(50);
            EXPECT_EQ(button == IDOK ? chosen : before, State()->*field);
            EXPECT_EQ(chosen, State()->customColors[0]) << "kept whichever button closed the picker";
            EXPECT_EQ(button == IDOK && command == IDM_BACK_COLOR, State()->backBrush != brush);
        }
    }
    for (HWND pane : {State()->inputEdit, State()->outputEdit}) {
        RedrawWindow(pane, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        RECT area = {};
        GetClientRect(pane, &area);
        HDC dc = GetDC(pane);
        EXPECT_EQ(chosen, GetPixel(dc, area.right - 3, 2));
        ReleaseDC(pane, dc);
    }
    // The pickers run their own loops; a close meanwhile takes the record away.
    for (UINT command : {IDM_FONT, IDM_TEXT_COLOR}) {
        LocalTerminal doomed;
        ShowWindow(doomed.window, SW_SHOW);
        ASSERT_TRUE(WithDialog(NULL, [&] { SendMessageA(doomed.window, WM_COMMAND, command, 0); },
                               [&](HWND) { PostMessageA(doomed.window, WM_CLOSE, 0, 0); }));
        EXPECT_FALSE(IsWindow(doomed.window));
    }
}

INT_PTR CALLBACK AcceptFocus(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The hook leaves a dialog embedded in another window where its parent puts
// it, and centres one without an owner on the screen.
TEST_F(ShownWindow, DialogsWithoutAnOwnerWindowAreCentredOnTheScreenEmbeddedOnesStay)
{
    struct alignas(4) {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } embedded = {{WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, 60, 30}, 0, 0, 0}, alone = embedded;
    alone.header.style = WS_POPUP | WS_VISIBLE;
    HWND child = CreateDialogIndirectA(NULL, &embedded.header, window, AcceptFocus);
    HWND popup = CreateDialogIndirectA(NULL, &alone.header, NULL, AcceptFocus);
    RECT units = {10, 10, 0, 0}, placed = {};
    MapDialogRect(child, &units);
    const std::vector<LONG> corners = Corners(window, child);
    EXPECT_EQ((std::vector<LONG>{units.left, units.top}), std::vector<LONG>(corners.begin(), corners.begin() + 2));
    GetWindowRect(popup, &placed);
    EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN), placed.left + placed.right, 2);
    DestroyWindow(child);
    DestroyWindow(popup);
}

// Without a record (a window of another kind, or one whose record is gone)
// every entry point leaves the window alone.
TEST(WindowWithoutARecord, IsLeftAlone)
{
    HWND plain = CreateWindowA("STATIC", "plain", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL, NULL, NULL);
    LayoutPanes(plain);
    BuildMenus(plain);
    RefreshTitle(plain);
    EXPECT_EQ(0, HandleCommand(plain, IDM_EXIT) + HandleSysCommand(plain, IDM_EXIT) + WritePort(plain, "A", 1));
    EXPECT_EQ("plain", TextOf(plain));
    DestroyWindow(plain);
}

// The settings file is read, and rewritten, up to 64 KiB; one larger is left
// alone. A number without a value keeps its default; a Shift-JIS name too
// long for its buffer is cut between characters.
TEST(SettingsFile, IsReadUpToItsBoundAndANameIsCutBetweenCharacters)
{
    for (size_t size : {65536u, 65537u}) {
        std::string text = "[VRK]\r\nCommPort=4\r\nBaudRate=\r\nDdeServiceName=";
        for (int i = 0; i < 200; ++i)
            text += "\x82\xA0";
        text += "\r\n;" + std::string(size - text.size() - 5, 'x') + "\r\n";
        LocalTerminal terminal(text);
        const bool read = size == 65536;
        EXPECT_EQ(read ? 4 : 0, terminal.State()->portIndex) << size;
        EXPECT_EQ(1200, terminal.State()->baudRate);
        EXPECT_EQ(read ? std::wstring(129, L'あ') : L"VRK", terminal.State()->ddeServer.serviceName);
        SaveSettings(terminal.State());
        EXPECT_EQ(read, ReadWholeFile(BuildFile("vrk_tests.ini")) != text) << size;
    }
}

// The settings file takes its new text in one step or keeps its old text
// whole; the close says when it kept it. A file that could not be read at
// start-up keeps what it holds, and is saved again once read.
TEST(SettingsFile, IsReplacedWholeOrLeftAsItWas)
{
    const std::string path = BuildFile("vrk_tests.ini"), before = "; 端末\r\n[VRK]\r\nDdeServiceName=\r\nCommPort=3\r\n";
    const auto hold = [&](DWORD sharing) {
        return CreateFileA(path.c_str(), GENERIC_READ, sharing, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    };
    const auto leftovers = [&] {  // removed, so that each run counts its own
        const std::string directory = path.substr(0, path.rfind('\\') + 1);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((directory + "VRK*.tmp").c_str(), &found);
        return search != INVALID_HANDLE_VALUE && FindClose(search) && DeleteFileA((directory + found.cFileName).c_str());
    };
    leftovers();
    LocalTerminal terminal(before);
    terminal.State()->portIndex = 1;
    HANDLE held = hold(FILE_SHARE_READ | FILE_SHARE_WRITE);  // readable, not to be replaced
    std::wstring said;
    std::thread answer([&] { said = AnswerMessageBox(GetCurrentProcessId()); });
    SendMessageW(terminal.window, WM_CLOSE, 0, 0);
    answer.join();
    EXPECT_TRUE(said.rfind(L"設定を保存できませんでした。", 0) == 0 && said.find(L"(MoveFileEx:") != said.npos) << said;
    EXPECT_EQ(before, ReadWholeFile(path));
    CloseHandle(held);

    LocalTerminal unread(before);
    held = hold(0);
    LoadSettings(unread.State());
    CloseHandle(held);
    unread.State()->portIndex = 1;
    EXPECT_EQ(nullptr, SaveSettings(unread.State()).step);
    EXPECT_EQ(before, ReadWholeFile(path));
    LoadSettings(unread.State());
    unread.State()->portIndex = 2;
    EXPECT_EQ(nullptr, SaveSettings(unread.State()).step);
    const std::string after = ReadWholeFile(path), start = "; 端末\r\n[VRK]\r\nDdeServiceName=\r\nCommPort=2\r\nVersion=";
    EXPECT_EQ(start, after.substr(0, start.size())) << after;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);  // its owner keeps it as it is
    unread.State()->portIndex = 4;
    EXPECT_EQ(nullptr, SaveSettings(unread.State()).step);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(after, ReadWholeFile(path));
    EXPECT_FALSE(leftovers());
}

// A settings file saved as UTF-16 or as UTF-8 with its mark is read in that
// encoding, a name beyond Shift-JIS included, and rewritten in it, mark
// first; its other lines keep their bytes, a stray last byte of UTF-16 too.
TEST(SettingsFile, SavedAsUnicodeIsReadAndRewrittenInItsEncoding)
{
    const std::wstring name = L"Ünï端末\U0001F600", other = L"新☃", tail = L"\r\n[Other]\r\nX=ü\xD800\r\n";
    const auto text = [](const std::wstring &key, int port) {
        return L"[VRK]\r\nŃommPort=7\r\nDdeServiceName=" + key + L"\r\nCommPort=" + std::to_wstring(port) + L"\r\n; ☃ 設定\r\n";
    };
    for (const bool utf16 : {true, false}) {
        const auto encode = [&](const std::wstring &wide) {
            if (utf16)
                return std::string(reinterpret_cast<const char *>(wide.data()), 2 * wide.size());
            std::string bytes(3 * wide.size(), '\0');
            bytes.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &bytes[0],
                                             static_cast<int>(bytes.size()), NULL, NULL));
            return bytes;
        };
        const std::string mark = utf16 ? "\xFF\xFE" : "\xEF\xBB\xBF", stray = utf16 ? "\x0A" : "";
        LocalTerminal terminal(mark + encode(text(name, 2) + tail) + stray);
        EXPECT_EQ(2, terminal.State()->portIndex) << utf16;
        EXPECT_EQ(name, terminal.State()->ddeServer.serviceName) << utf16;
        terminal.State()->portIndex = 5;
        wcscpy(terminal.State()->ddeServer.serviceName, other.c_str());
        SaveSettings(terminal.State());
        const std::string saved = ReadWholeFile(BuildFile("vrk_tests.ini")), start = mark + encode(text(other, 5)),
                          end = encode(tail) + stray;
        EXPECT_EQ(start, saved.substr(0, start.size())) << utf16;
        EXPECT_NE(std::string::npos, saved.find(encode(L"BaudRate=1200\r\n"), start.size())) << utf16;
        EXPECT_EQ(end, saved.substr(saved.size() - end.size())) << utf16;
    }
}

// What Windows reads from the program file itself: the manifest, kept as it
// stands, and the version in both languages.
TEST(ProgramFile, CarriesItsManifestAndVersion)
{
    const std::string exe = BuildFile("VRK.exe"), image = ReadWholeFile(exe);
    for (const char *part : {"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0", "<dpiAware", ">system</dpiAwareness>",
                             "level=\"asInvoker\"", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(std::string::npos, image.find(part)) << part;
    std::vector<char> version(GetFileVersionInfoSizeA(exe.c_str(), NULL));
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    const auto value = [&](const std::string &name) {
        char *text = NULL;
        UINT size = 0;
        return VerQueryValueA(version.data(), name.c_str(), reinterpret_cast<void **>(&text), &size) ? text : "";
    };
    EXPECT_EQ(0x00020000u, reinterpret_cast<const VS_FIXEDFILEINFO *>(value("\\"))->dwProductVersionMS);
    for (const char *block : {"\\StringFileInfo\\041104b0\\", "\\StringFileInfo\\040904b0\\"}) {
        for (const char *name : {"FileVersion", "ProductVersion"})
            EXPECT_STREQ("2.0", value(block + std::string(name)));
        EXPECT_STREQ("VRK", value(block + std::string("ProductName")));
    }
    wchar_t *description = NULL;
    UINT size = 0;
    VerQueryValueW(version.data(), L"\\StringFileInfo\\041104b0\\FileDescription",
                   reinterpret_cast<void **>(&description), &size);
    EXPECT_STREQ(L"ULACS 回線用シリアル端末", description);
}

}  // namespace
