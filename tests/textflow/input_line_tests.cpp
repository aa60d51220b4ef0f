#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "serial/serial_port.h"
#include "tests/support/bench_ports.h"
#include "tests/support/far_end.h"
#include "tests/support/message_boxes.h"
#include "tests/support/windows_of_process.h"
#include "tests/textflow/textflow_fixture.h"

namespace {

const int kPort = 1;

void PressEnter(HWND input)
{
    SendMessageA(input, WM_CHAR, '\r', 0x001C0001);
}

void HoldShift(bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Puts `before` and `after` into the line with the caret between them, the
// caret placed in the control's own units whatever they are.
void TypeWithCaret(HWND input, const std::string &before, const std::string &after)
{
    SetWindowTextA(input, before.c_str());
    LRESULT end = SendMessageA(input, EM_LINELENGTH, 0, 0);
    SendMessageA(input, EM_SETSEL, end, end);
    SendMessageA(input, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(after.c_str()));
    SendMessageA(input, EM_SETSEL, end, end);
}

class InputLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(terminal_.Terminal().OpenPortQuietly(kPort));
        ASSERT_TRUE(host_.IsOpen());
        host_.Discard();
    }
    void TearDown() override { ClosePort(terminal_.Window()); }

    LoggedTerminal terminal_;
    FarEnd host_{FarPortOf(kPort)};
};

struct SendCase {
    const char *what;
    std::string before;
    std::string after;
    int selectFrom;  // with selectTo: a selection in the control's units, or -1
    int selectTo;
    std::string sent;
    std::string left;
};

TEST_F(InputLine, EnterSendsWhatPrecedesTheCaretOrTheSelectionAndCutsIt)
{
    const SendCase cases[] = {
        {"caret after C", "ABC", "DEF", -1, -1, "ABC\r", "DEF"},
        {"CD selected", "ABCDEF", "", 2, 4, "CD\r", "ABEF"},
        {"empty line", "", "", -1, -1, "\r", ""},
        {"caret at the start", "", "ABCDEF", -1, -1, "\r", "ABCDEF"},
        {"caret at the end", "ABCDEF", "", -1, -1, "ABCDEF\r", ""},
        {"double-byte text", "\x82\xA0\x82\xA2", "\x82\xA4", -1, -1, "\x82\xA0\x82\xA2\r", "\x82\xA4"},
    };
    HWND input = terminal_.Input();
    terminal_.State()->localEcho = 1;
    std::string echoed;
    for (const SendCase &c : cases) {
        SCOPED_TRACE(c.what);
        TypeWithCaret(input, c.before, c.after);
        if (c.selectFrom >= 0)
            SendMessageA(input, EM_SETSEL, c.selectFrom, c.selectTo);
        PressEnter(input);
        EXPECT_EQ(c.sent, host_.Read(c.sent.size(), 2000));
        EXPECT_EQ(c.left, WindowText(input));
        echoed += c.sent.substr(0, c.sent.size() - 1) + "\r\n";
    }
    EXPECT_EQ(echoed, terminal_.Output()) << "each sent part is echoed as a line";
    EXPECT_EQ("", host_.ReadUntilQuiet(100, 300)) << "nothing more";
}

TEST_F(InputLine, ALongLineGrowsTheBufferOnceToFit)
{
    HWND input = terminal_.Input();
    std::string line(3000, 'q');
    TypeWithCaret(input, line, "");
    PressEnter(input);
    EXPECT_EQ(line + "\r", host_.Read(3001, 3000));
    EXPECT_EQ(3002u, terminal_.State()->sendBufferSize);
    EXPECT_EQ(3002u, GlobalSize(terminal_.State()->sendBuffer));

    TypeWithCaret(input, "short", "");
    PressEnter(input);
    EXPECT_EQ("short\r", host_.Read(6));
    EXPECT_EQ(3002u, terminal_.State()->sendBufferSize);
}

TEST_F(InputLine, ShiftLockLetsOnlyShiftEnterSend)
{
    struct ShiftCase {
        LONG shiftLock;
        bool shiftDown;
        bool sends;
    };
    const ShiftCase cases[] = {
        {1, false, false},
        {1, true, true},
        {0, false, true},
        {0, true, true},
    };
    HWND input = terminal_.Input();
    for (const ShiftCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.shiftLock) + (c.shiftDown ? " with Shift" : " without Shift"));
        terminal_.State()->shiftLock = c.shiftLock;
        TypeWithCaret(input, "AB", "");
        HoldShift(c.shiftDown);
        PressEnter(input);
        HoldShift(false);
        EXPECT_EQ(c.sends ? "AB\r" : "", host_.ReadUntilQuiet(150, 2000));
        EXPECT_EQ(c.sends ? "" : "AB", WindowText(input));
    }
}

TEST(InputLineFailure, AFailedSendIsCutFromTheLineButNotEchoed)
{
    LoggedTerminal terminal;
    const int port = 5;
    ASSERT_TRUE(terminal.Terminal().OpenPortQuietly(port));
    terminal.State()->localEcho = 1;
    // Nobody reads the far end, so the cable fills and the short write
    // time-out gives up part way.
    COMMTIMEOUTS quick = {MAXDWORD, 0, 0, 0, 300};
    ASSERT_TRUE(SetCommTimeouts(terminal.State()->port, &quick));
    HWND input = terminal.Input();
    SendMessageA(input, EM_SETLIMITTEXT, 0, 0);
    TypeWithCaret(input, std::string(1 << 20, 'x'), "tail");
    // While the failure box is open another program presses Enter too; that
    // Enter must not send the line a second time under the first send.
    std::wstring firstBox;
    std::wstring secondBox;
    std::thread program([&] {
        WaitForTopLevel(GetCurrentProcessId(), kDialogClass, kCaption, 10000);
        PressEnter(input);
        firstBox = AnswerMessageBox(GetCurrentProcessId(), 100);
        secondBox = AnswerMessageBox(GetCurrentProcessId(), 500);
    });
    PressEnter(input);
    program.join();
    EXPECT_FALSE(firstBox.empty());
    EXPECT_TRUE(secondBox.empty()) << "one send, one box";
    EXPECT_EQ("tail", WindowText(input)) << "the sent part is cut all the same";
    EXPECT_EQ("", terminal.Output());
    ClosePort(terminal.Window());
    FarEnd(FarPortOf(port)).ReadUntilQuiet(300, 10000);
}

// Puts bytes on the clipboard as CF_TEXT, in a block exactly their size:
// with the terminator only when `terminated`.
void SetClipboardBytes(HWND owner, const std::string &bytes, bool terminated = true)
{
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    size_t size = bytes.size() + (terminated ? 1 : 0);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

TEST_F(InputLine, PasteSendsTheClipboardWithCarriageReturnsOnly)
{
    HWND window = terminal_.Window();
    terminal_.State()->localEcho = 1;
    terminal_.State()->shiftLock = 1;
    SetWindowTextA(terminal_.Input(), "untouched");

    SetClipboardBytes(window, "AB\r\nCD\r\n");
    SendMessageA(window, WM_PASTE, 0, 0);
    EXPECT_EQ("AB\rCD\r", host_.ReadUntilQuiet(150, 2000));
    EXPECT_EQ("AB\r\nCD\r\n", terminal_.Output());

    SetClipboardBytes(window, "XY");
    SendMessageA(window, WM_PASTE, 0, 0);
    EXPECT_EQ("XY", host_.ReadUntilQuiet(150, 2000)) << "no carriage return is added";
    terminal_.Receive("Z\r");
    EXPECT_EQ("AB\r\nCD\r\nXYZ\r\n", terminal_.Output()) << "received text continues the open line";
    EXPECT_EQ("untouched", WindowText(terminal_.Input()));
}

TEST_F(InputLine, PasteMeasuresTheClipboardWithinItsBlock)
{
    HWND window = terminal_.Window();
    SetClipboardBytes(window, "ABCD", false);
    SendMessageA(window, WM_PASTE, 0, 0);
    // Some platforms terminate the block themselves, over its last byte.
    std::string sent = host_.ReadUntilQuiet(150, 2000);
    EXPECT_TRUE(sent == "ABCD" || sent == "ABC") << sent;

    ASSERT_TRUE(OpenClipboard(window));
    EmptyClipboard();
    CloseClipboard();
    SendMessageA(window, WM_PASTE, 0, 0);
    EXPECT_EQ("", host_.ReadUntilQuiet(150, 500)) << "an empty clipboard sends nothing";
}

TEST_F(InputLine, AMegabytePasteIsSentWhole)
{
    std::string text;
    std::string expected;
    for (int i = 0; text.size() < (1 << 20); ++i) {
        std::string line = "pasted line " + std::to_string(i) + " \x82\xA0\x82\xA2";
        text += line + "\r\n";
        expected += line + "\r";
    }
    SetClipboardBytes(terminal_.Window(), text);
    std::string arrived;
    std::thread reader([&] { arrived = host_.Read(expected.size(), 60000); });
    SendMessageA(terminal_.Window(), WM_PASTE, 0, 0);
    reader.join();
    EXPECT_EQ("", Mismatch(expected, arrived));
}

}  // namespace
