// The port, the input line and the paste, with the far end of a real cable
// played by the test.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "serial/serial_port.h"
#include "tests/harness.h"
#include "tools/driving/far_end.h"
#include "tools/driving/window_search.h"

namespace {

const std::wstring kSendFailed = L"文字送信に失敗しました。\n・RS232Cケーブルの未接続・間違い・不良はないか？\n・ULACSの電源未投入・異常はないか？\n確認してください。";

class OnACable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(terminal.OpenPort(1));
        ASSERT_TRUE(host.IsOpen());
        host.ReadUntilQuiet(100);
    }
    void TearDown() override
    {
        ClosePort(terminal.window);
        host.ReadUntilQuiet(300, 20000);
    }
    // Nobody reads the far end, so the cable fills, and the write time-out is
    // cut to 2 ms a byte: a write then gives up part way, as it does while the
    // far end withholds CTS, a slice of 512 bytes within a second.
    void MakeWritesFail() { COMMTIMEOUTS quick = {MAXDWORD, 0, 0, 2, 0}; SetCommTimeouts(terminal.State()->port, &quick); }
    void Enter(bool shift = false)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageA(terminal.Input(), WM_CHAR, '\r', 0x001C0001);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    }
    // Another program's paste: the text on the clipboard in a block exactly
    // its size, with or without a terminator, then WM_PASTE.
    void Paste(const std::string &bytes, bool terminated = true)
    {
        OpenClipboard(NULL);
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + (terminated ? 1 : 0));
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        SetClipboardData(CF_TEXT, block);
        CloseClipboard();
        SendMessageA(terminal.window, WM_PASTE, 0, 0);
    }

    LocalTerminal terminal;
    FarEnd host{FarPortOf(1)};
};

TEST_F(OnACable, ThePortRunsTheLineSettingsAndReadsNeverWaitNorCarryNuls)
{
    DCB line = {};
    line.DCBlength = sizeof line;
    ASSERT_TRUE(GetCommState(terminal.State()->port, &line));
    EXPECT_EQ(9600u, line.BaudRate);
    const int settings[] = {line.ByteSize, line.Parity, line.StopBits, static_cast<int>(line.fOutxCtsFlow)};
    EXPECT_EQ((std::vector<int>{8, NOPARITY, ONESTOPBIT, 1}),
              std::vector<int>(std::begin(settings), std::end(settings)));
    // None of these may show a box: the test would wait in it.
    HANDLE port = terminal.State()->port;
    EXPECT_EQ(0, OpenPort(terminal.window)) << "a second open keeps the port";
    EXPECT_EQ(port, terminal.State()->port);
    std::string bytes(16, '\x7f');
    DWORD count = 99;
    EXPECT_EQ(1, ReadPort(terminal.window, &bytes[0], 16, &count));
    EXPECT_EQ(std::string(16, '\0') + "0", bytes + std::to_string(count));
    ASSERT_TRUE(host.Write(std::string("A\0B\0\0C", 6)));
    Sleep(200);
    EXPECT_EQ(1, ReadPort(terminal.window, &bytes[0], 16, &count));
    EXPECT_EQ("ABC" + std::string(13, '\0') + "3", bytes + std::to_string(count));
    EXPECT_EQ(1, WritePort(terminal.window, "ABC\r", 4));
    EXPECT_EQ("ABC\r", host.Read(4));
    EXPECT_EQ(1, ClosePort(terminal.window));
    EXPECT_EQ(1, WritePort(terminal.window, "lost", 4)) << "with the port closed a write is no failure";
    EXPECT_EQ(0, ReadPort(terminal.window, &bytes[0], 16, &count));
}

// A text of 4 MB would take hours to give up whole; a slice gives up within a
// second. Its sender is released before the box, and sends again while the
// box is open: that send fails too, without a second box.
TEST_F(OnACable, AFailedSendGivesUpWithinASliceReleasesItsSenderAndShowsOneBox)
{
    MakeWritesFail();
    std::atomic<int> pastesReturned(0);
    std::atomic<bool> done(false);
    bool returnedWhileBoxOpen = false;
    std::wstring text, second;
    std::thread sender([&] {
        Paste(std::string(4 << 20, 'p'));
        ++pastesReturned;
        Paste("again");
        ++pastesReturned;
    });
    std::thread operatorHand([&] {
        HWND box = WaitForTopLevel(GetCurrentProcessId(), kDialogClass, L"VRK", 20000);
        for (int i = 0; i < 300 && box && pastesReturned < 2; ++i)
            Sleep(10);
        returnedWhileBoxOpen = box && IsWindowVisible(box) && pastesReturned == 2;
        text = MessageBoxText(box);
        PressDialogButton(box, IDOK);
        second = AnswerMessageBox(GetCurrentProcessId(), 500);
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 30000);
    operatorHand.join();
    sender.join();
    EXPECT_TRUE(returnedWhileBoxOpen) << "both senders wait no longer than their writes";
    EXPECT_EQ(kSendFailed + L"\n(WriteFile:000005b4)", text);
    EXPECT_EQ(L"", second) << "one box at a time";
    EXPECT_EQ(1, IsPortOpen(terminal.window)) << "a failed write keeps the port open";
}

TEST_F(OnACable, EnterSendsWhatPrecedesTheCaretOrTheSelectionAndCutsIt)
{
    const std::string longLine(3000, 'q');
    // line, caret or selection (in the control's units), shift lock, Shift
    // held; bytes sent; line afterwards
    const std::tuple<std::string, int, int, int, bool, std::string, std::string> cases[] = {
        {"ABCDEF", 3, 3, 0, false, "ABC\r", "DEF"},
        {"ABCDEF", 2, 4, 0, false, "CD\r", "ABEF"},
        {"", 0, 0, 0, false, "\r", ""},
        {"ABCDEF", 0, 0, 0, false, "\r", "ABCDEF"},
        {"\x82\xA0\x82\xA2\x82\xA4", 2, 2, 0, false, "\x82\xA0\x82\xA2\r", "\x82\xA4"},
        {longLine, 3000, 3000, 0, false, longLine + "\r", ""},
        {"short", 5, 5, 0, false, "short\r", ""},
        {"AB", 2, 2, 1, false, "", "AB"},
        {"AB", 2, 2, 1, true, "AB\r", ""},
        {"AB", 2, 2, 0, true, "AB\r", ""},
    };
    terminal.State()->localEcho = 1;
    std::string echoed;
    for (const auto &[line, from, to, shiftLock, shift, sent, left] : cases) {
        terminal.State()->shiftLock = shiftLock;
        SetWindowTextA(terminal.Input(), line.c_str());
        SendMessageA(terminal.Input(), EM_SETSEL, from, to);
        Enter(shift);
        EXPECT_EQ(sent, host.Read(sent.size()));
        EXPECT_EQ(left, TextOf(terminal.Input()));
        if (!sent.empty())
            echoed += sent + "\n";
    }
    EXPECT_EQ("", host.ReadUntilQuiet(100)) << "nothing more";
    EXPECT_TRUE(echoed == terminal.PaneText()) << "each sent part is echoed as a line";
    EXPECT_EQ(3002u, GlobalSize(terminal.State()->sendBuffer)) << "grown once, to fit the longest line";

    ShowWindow(terminal.window, SW_SHOW);
    terminal.Receive(std::string(150, '\r'));
    const LRESULT end = SendMessageA(terminal.Pane(), EM_GETFIRSTVISIBLELINE, 0, 0);
    SetWindowTextA(terminal.Input(), "kept");
    SendMessageA(terminal.Input(), WM_KEYDOWN, VK_PRIOR, 0);
    Pump(100);
    EXPECT_LT(SendMessageA(terminal.Pane(), EM_GETFIRSTVISIBLELINE, 0, 0), end) << "PageUp pages the pane back";
    EXPECT_EQ("kept", TextOf(terminal.Input()));
    terminal.Receive("new");
    EXPECT_EQ(end, SendMessageA(terminal.Pane(), EM_GETFIRSTVISIBLELINE, 0, 0)) << "new text shows the end";
}

TEST_F(OnACable, AFailedSendIsCutButNotEchoedAndAnEnterDuringItsBoxSendsNothing)
{
    terminal.State()->localEcho = 1;
    MakeWritesFail();
    SendMessageA(terminal.Input(), EM_SETLIMITTEXT, 0, 0);
    SetWindowTextA(terminal.Input(), (std::string(1 << 20, 'x') + "tail").c_str());
    SendMessageA(terminal.Input(), EM_SETSEL, 1 << 20, 1 << 20);
    std::wstring firstBox, secondBox;
    std::thread program([&] {
        WaitForTopLevel(GetCurrentProcessId(), kDialogClass, L"VRK", 10000);
        SendMessageA(terminal.Input(), WM_CHAR, '\r', 0);
        firstBox = AnswerMessageBox(GetCurrentProcessId(), 100);
        secondBox = AnswerMessageBox(GetCurrentProcessId(), 500);
    });
    Enter();
    program.join();
    EXPECT_FALSE(firstBox.empty());
    EXPECT_TRUE(secondBox.empty()) << "one send, one box";
    EXPECT_EQ("tail", TextOf(terminal.Input())) << "the sent part is cut all the same";
    EXPECT_EQ("", terminal.PaneText());
}

TEST_F(OnACable, PasteSendsTheClipboardWithCarriageReturnsOnlyAndNothingAdded)
{
    terminal.State()->localEcho = 1;
    terminal.State()->shiftLock = 1;
    SetWindowTextA(terminal.Input(), "untouched");
    Paste("AB\r\nCD\r\n");
    EXPECT_EQ("AB\rCD\r", host.ReadUntilQuiet(150));
    Paste("XY");
    EXPECT_EQ("XY", host.ReadUntilQuiet(150)) << "no carriage return is added";
    terminal.Receive("Z\r");
    EXPECT_EQ("AB\r\nCD\r\nXYZ\r\n", terminal.PaneText()) << "received text continues the open line";
    EXPECT_EQ("untouched", TextOf(terminal.Input()));
    // Some platforms terminate an unterminated block themselves, over its
    // last byte; nothing past the block is ever sent.
    Paste("ABCD", false);
    std::string sent = host.ReadUntilQuiet(150);
    EXPECT_TRUE(sent == "ABCD" || sent == "ABC") << sent;

    terminal.State()->localEcho = 0;
    std::string text, expected;
    for (int i = 0; text.size() < (1 << 20); ++i) {
        std::string line = "pasted line " + std::to_string(i) + " \x82\xA0";
        text += line + "\r\n";
        expected += line + "\r";
    }
    std::string arrived;
    std::thread reader([&] { arrived = host.Read(expected.size(), 60000); });
    Paste(text);
    reader.join();
    EXPECT_TRUE(expected == arrived) << "a megabyte goes whole";
}

}  // namespace
