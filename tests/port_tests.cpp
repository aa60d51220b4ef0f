// The port and the input line, with the far end of a real cable played by
// the test.
#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

#include <cstddef>
#include <cwchar>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "serial/port_recovery.h"
#include "serial/serial_port.h"
#include "tests/harness.h"
#include "textflow/output_pane.h"
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

    LocalTerminal terminal;
    FarEnd host{FarPortOf(1)};
};

// A text of 4 MB would take hours to give up whole while the far end holds
// back; a slice gives up within a second, and the rest of the text with it.
TEST_F(OnACable, ASendThatCannotGoOutGivesUpWithinASlice)
{
    MakeWritesFail();
    std::wstring text;
    std::thread operatorHand([&] { text = AnswerMessageBox(GetCurrentProcessId(), 20000); });
    const std::string lots(4 << 20, 'p');
    EXPECT_EQ(0, WritePort(terminal.window, lots.data(), static_cast<DWORD>(lots.size())));
    operatorHand.join();
    EXPECT_EQ(kSendFailed + L"\n(WriteFile:000005b4)", text);
    EXPECT_EQ(1, IsPortOpen(terminal.window)) << "a failed write keeps the port open";
    HANDLE port = terminal.State()->port;
    EXPECT_EQ(0, OpenPort(terminal.window)) << "a second open keeps the port, silently";
    EXPECT_EQ(port, terminal.State()->port);
    ClosePort(terminal.window);
    char byte = 'x';
    DWORD count = 7;
    EXPECT_EQ(0, ReadPort(terminal.window, &byte, 1, &count) + (byte != 'x') + (count != 7)) << "a closed port reads nothing";
}

// Windows answers for an unplugged USB adapter with codes such as access
// denied, which the ends of a pipe give when written or read the wrong way;
// or it broadcasts the port's removal. Either lets the port go, Enter keeps
// its text, and about two seconds of poll ticks later the port is back.
TEST_F(OnACable, ADeviceGoneLetsThePortGoUntilItHasSettledAndEnterKeepsTheText)
{
    HANDLE readEnd = NULL, writeEnd = NULL, cable = terminal.State()->port;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, NULL, 0));
    terminal.State()->port = readEnd;
    SetWindowTextA(terminal.Input(), "kept");
    SendMessageA(terminal.Input(), EM_SETSEL, 4, 4);
    std::wstring text;
    std::thread operatorHand([&] { text = AnswerMessageBox(GetCurrentProcessId(), 20000); });
    Enter();
    operatorHand.join();
    EXPECT_EQ(kSendFailed + L"\n(WriteFile:00000005)", text);
    EXPECT_EQ("kept", TextOf(terminal.Input()));
    terminal.State()->port = writeEnd;
    char chunk[8];
    DWORD count = 0;
    EXPECT_EQ(0, ReadPort(terminal.window, chunk, sizeof chunk, &count));
    CloseHandle(cable);
    const auto ticksUntilBack = [&] {
        int ticks = 0;
        for (; IsPortWaiting(terminal.window) && ticks < 10; ++ticks)
            WatchPort(terminal.window, terminal.State()->timerId);
        return IsPortOpen(terminal.window) ? ticks : -1;
    };
    EXPECT_EQ(7, ticksUntilBack());
    // name in the removal broadcast, the length it declares; whether it is COM1's
    for (const auto &[name, length, lost] : {std::tuple(L"COM11", 5, false), {L"COM1", 3, false}, {L"com1", 4, true}}) {
        alignas(DEV_BROADCAST_PORT_W) wchar_t removal[24] = {};
        auto *header = reinterpret_cast<DEV_BROADCAST_PORT_W *>(removal);
        header->dbcp_size = static_cast<DWORD>(offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + length * sizeof(wchar_t));
        header->dbcp_devicetype = DBT_DEVTYP_PORT;
        std::wcscpy(header->dbcp_name, name);
        SendMessageW(terminal.window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(removal));
        EXPECT_EQ(lost ? 7 : 0, ticksUntilBack()) << name << length;
    }
}

// A port holding more than one read hands out is emptied in the same tick, up
// to two full chunks, each shown whole; the rest waits for the next tick.
TEST_F(OnACable, APollTakesWhatThePortHoldsUpToTwoChunks)
{
    const size_t chunk = kReceiveBufferSize - 1;
    std::string lines;
    while (lines.size() < 3 * chunk)
        lines += "0123456789\r\n";
    ASSERT_TRUE(host.Write(lines));
    Sleep(1000);
    PollReceive(terminal.window, terminal.State()->timerId);
    EXPECT_EQ(lines.substr(0, 2 * chunk), terminal.Logs() + terminal.PaneText());
    PollReceive(terminal.window, terminal.State()->timerId);
    EXPECT_EQ(lines, terminal.Logs() + terminal.PaneText());
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
    // The line settings reach the driver: the chosen rate and 8N1 as the port
    // reports them; the RTS/CTS handshake as handed over, which a
    // pseudo-terminal cannot report apart.
    DCB line = {};
    line.DCBlength = sizeof line;
    ASSERT_TRUE(GetCommState(terminal.State()->port, &line));
    const DCB &handed = terminal.State()->dcb;
    EXPECT_EQ((std::vector<DWORD>{9600, 8, NOPARITY, ONESTOPBIT, 1, RTS_CONTROL_HANDSHAKE}),
              (std::vector<DWORD>{line.BaudRate, line.ByteSize, line.Parity, line.StopBits, handed.fOutxCtsFlow,
                                  handed.fRtsControl}));
    terminal.State()->localEcho = 1;
    std::string echoed;
    for (const auto &[text, from, to, shiftLock, shift, sent, left] : cases) {
        terminal.State()->shiftLock = shiftLock;
        SetTextOf(terminal.Input(), text);
        SendMessageA(terminal.Input(), EM_SETSEL, from, to);
        Enter(shift);
        EXPECT_EQ(sent, host.Read(sent.size()));
        EXPECT_EQ(left, TextOf(terminal.Input()));
        if (!sent.empty())
            echoed += sent + "\n";
    }
    EXPECT_EQ("", host.ReadUntilQuiet(100)) << "nothing more";
    EXPECT_TRUE(echoed == terminal.PaneText()) << "each sent part is echoed as a line";
    // The line in UTF-16 and its terminator, the part in Shift-JIS and its line end.
    EXPECT_EQ(3001 * sizeof(wchar_t) + 2 * 3000 + 2, GlobalSize(terminal.State()->sendBuffer))
        << "grown once, to fit the longest line";

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

}  // namespace
