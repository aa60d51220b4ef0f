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
        ASSERT_TRUE(terminal_.OpenPortQuietly(kPort));
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
    std::string sent;
    std::string left;
    int selectFrom = -1;  // with selectTo: a selection in the control's units
    int selectTo = -1;
    LONG shiftLock = 0;
    bool shiftDown = false;
};

TEST_F(InputLine, EnterSendsWhatPrecedesTheCaretOrTheSelectionAndCutsIt)
{
    const std::string longLine(3000, 'q');
    const SendCase cases[] = {
        {"caret after C", "ABC", "DEF", "ABC\r", "DEF"},
        {"CD selected", "ABCDEF", "", "CD\r", "ABEF", 2, 4},
        {"empty line", "", "", "\r", ""},
        {"caret at the start", "", "ABCDEF", "\r", "ABCDEF"},
        {"double-byte text", "\x82\xA0\x82\xA2", "\x82\xA4", "\x82\xA0\x82\xA2\r", "\x82\xA4"},
        {"a line that grows the buffer", longLine, "", longLine + "\r", ""},
        {"a shorter line after it", "short", "", "short\r", ""},
        {"shift lock swallows a plain Enter", "AB", "", "", "AB", -1, -1, 1, false},
        {"shift lock lets Shift+Enter send", "AB", "", "AB\r", "", -1, -1, 1, true},
        {"Shift+Enter without shift lock", "AB", "", "AB\r", "", -1, -1, 0, true},
    };
    HWND input = terminal_.Input();
    terminal_.State()->localEcho = 1;
    std::string echoed;
    for (const SendCase &c : cases) {
        SCOPED_TRACE(c.what);
        terminal_.State()->shiftLock = c.shiftLock;
        TypeWithCaret(input, c.before, c.after);
        if (c.selectFrom >= 0)
            SendMessageA(input, EM_SETSEL, c.selectFrom, c.selectTo);
        HoldShift(c.shiftDown);
        PressEnter(input);
        HoldShift(false);
        EXPECT_EQ(c.sent, host_.Read(c.sent.size(), 3000));
        EXPECT_EQ(c.left, TextOf(input));
        if (!c.sent.empty())
            echoed += c.sent.substr(0, c.sent.size() - 1) + "\r\n";
    }
    EXPECT_EQ("", Mismatch(echoed, terminal_.Output())) << "each sent part is echoed as a line";
    EXPECT_EQ("", host_.ReadUntilQuiet(100, 300)) << "nothing more";
    EXPECT_EQ(3002u, terminal_.State()->sendBufferSize) << "grown once, to fit the longest line";
    EXPECT_EQ(3002u, GlobalSize(terminal_.State()->sendBuffer));
}

TEST_F(InputLine, AFailedSendIsCutFromTheLineButNotEchoedAndAnswersOneEnter)
{
    terminal_.State()->localEcho = 1;
    // Nobody reads the far end, so the cable fills and the short write
    // time-out gives up part way.
    COMMTIMEOUTS quick = {MAXDWORD, 0, 0, 0, 300};
    ASSERT_TRUE(SetCommTimeouts(terminal_.State()->port, &quick));
    HWND input = terminal_.Input();
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
    EXPECT_EQ("tail", TextOf(input)) << "the sent part is cut all the same";
    EXPECT_EQ("", terminal_.Output());
    host_.ReadUntilQuiet(300, 10000);
}

// Puts bytes on the clipboard as CF_TEXT, in a block exactly their size:
// with the terminator only when `terminated`.
void SetClipboardBytes(HWND owner, const std::string &bytes, bool terminated = true)
{
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + (terminated ? 1 : 0));
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

TEST_F(InputLine, PasteSendsTheWholeClipboardWithCarriageReturnsOnlyMeasuredWithinItsBlock)
{
    HWND window = terminal_.Window();
    terminal_.State()->localEcho = 1;
    terminal_.State()->shiftLock = 1;
    SetWindowTextA(terminal_.Input(), "untouched");

    SetClipboardBytes(window, "AB\r\nCD\r\n");
    SendMessageA(window, WM_PASTE, 0, 0);
    EXPECT_EQ("AB\rCD\r", host_.ReadUntilQuiet(150, 2000));
    SetClipboardBytes(window, "XY");
    SendMessageA(window, WM_PASTE, 0, 0);
    EXPECT_EQ("XY", host_.ReadUntilQuiet(150, 2000)) << "no carriage return is added";
    terminal_.Receive("Z\r");
    EXPECT_EQ("AB\r\nCD\r\nXYZ\r\n", terminal_.Output()) << "received text continues the open line";
    EXPECT_EQ("untouched", TextOf(terminal_.Input()));

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

    // A megabyte goes whole.
    terminal_.State()->localEcho = 0;
    std::string text;
    std::string expected;
    for (int i = 0; text.size() < (1 << 20); ++i) {
        std::string line = "pasted line " + std::to_string(i) + " \x82\xA0\x82\xA2";
        text += line + "\r\n";
        expected += line + "\r";
    }
    SetClipboardBytes(window, text);
    std::string arrived;
    std::thread reader([&] { arrived = host_.Read(expected.size(), 60000); });
    SendMessageA(window, WM_PASTE, 0, 0);
    reader.join();
    EXPECT_EQ("", Mismatch(expected, arrived));
}

}  // namespace
