// The port and the input line, with the far end of a real cable played by
// the test.
#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "resources/resource_ids.h"
#include "serial/connect_dialogs.h"
#include "serial/port_recovery.h"
#include "serial/serial_port.h"
#include "tests/harness.h"
#include "textflow/output_pane.h"
#include "tools/driving/far_end.h"
#include "tools/driving/serial_ports.h"
#include "tools/driving/terminal_process.h"
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
    void Tick(int ticks = 1) { while (ticks-- > 0) WatchPort(terminal.window, terminal.State()->timerId); }
    // Poll ticks until the port waited for opens; -1 when it does not.
    int TicksUntilBack()
    {
        int ticks = 0;
        for (; IsPortWaiting(terminal.window) && ticks < 200; ++ticks)
            Tick();
        return IsPortOpen(terminal.window) ? ticks : -1;
    }

    LocalTerminal terminal;
    FarEnd host{FarPortOf(1)};
};

// Windows answers for an unplugged USB adapter with codes such as access
// denied, which the ends of a pipe give when written or read the wrong way;
// or it broadcasts the port's removal. Either lets the port go at the next
// tick, and about two seconds of poll ticks later the port is back.
TEST_F(OnACable, ADeviceGoneLetsThePortGoUntilItHasSettled)
{
    HANDLE readEnd = NULL, writeEnd = NULL, cable = terminal.State()->port;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, NULL, 0));
    terminal.State()->port = readEnd;
    std::wstring text;
    std::thread operatorHand([&] { text = AnswerMessageBox(GetCurrentProcessId(), 20000); });
    EXPECT_EQ(0, WritePort(terminal.window, "x", 1));
    operatorHand.join();
    EXPECT_EQ(kSendFailed + L"\n(WriteFile:00000005)", text);
    Tick();
    EXPECT_EQ(1, IsPortWaiting(terminal.window));
    terminal.State()->port = writeEnd;
    char chunk[8];
    DWORD count = 0;
    EXPECT_EQ(0, ReadPort(terminal.window, chunk, sizeof chunk, &count));
    CloseHandle(cable);
    Tick();
    EXPECT_EQ(7, TicksUntilBack());
    // name in the removal broadcast, the length it declares; whether it is COM1's
    for (const auto &[name, length, lost] : {std::tuple(L"COM11", 5, false), {L"COM1", 3, false}, {L"com1", 4, true}}) {
        alignas(DEV_BROADCAST_PORT_W) wchar_t removal[24] = {};
        auto *header = reinterpret_cast<DEV_BROADCAST_PORT_W *>(removal);
        header->dbcp_size = static_cast<DWORD>(offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + length * sizeof(wchar_t));
        header->dbcp_devicetype = DBT_DEVTYP_PORT;
        std::wcscpy(header->dbcp_name, name);
        SendMessageW(terminal.window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(removal));
        EXPECT_EQ(lost ? 7 : 0, TicksUntilBack()) << name << length;
    }
    // What USB serial drivers answer after a surprise removal; time-outs
    for (const auto &[code, lost] : {std::pair(55, true), {433, true}, {2, true}, {1460, false}, {121, false}}) {
        terminal.State()->portFailure = code;
        Tick();
        EXPECT_EQ(lost, IsPortWaiting(terminal.window) == 1) << code;
        ClosePort(terminal.window);
        ReopenPort(terminal.window);
    }
}

// A port present whose every open fails (a Bluetooth port whose device is
// out of reach blocks in each) is tried after about two seconds, then one,
// two, four ... up to thirty seconds apart; afresh once it went and came back.
TEST_F(OnACable, APortThatRefusesEveryOpenIsTriedEverMoreRarely)
{
    TerminalState *state = terminal.State();
    // ticks of refused tries; absent for a tick then; ticks from then until it opens
    for (const auto &[refused, absent, ticks] : {std::tuple(7, 0, 3), {10, 0, 6}, {100, 0, 96}, {196, 0, 100},
                                                 {296, 0, 100}, {16, 1, 7}}) {
        ClosePort(terminal.window);
        state->dcb.ByteSize = 3;
        WaitForPort(terminal.window);
        Tick(refused);
        state->portIndex = absent ? 39 : 0;
        Tick(absent);
        state->portIndex = 0;
        state->dcb.ByteSize = 8;
        EXPECT_EQ(ticks, TicksUntilBack()) << refused << absent;
    }
}

// Nobody reads the far end: a long selection fills the cable and its write
// times out part way, as while the far end withholds CTS, within a slice; the
// line keeps what did not go out, selected, and the echo shows what did. The
// port stays open.
TEST_F(OnACable, ASendThatTimesOutKeepsWhatDidNotGoOut)
{
    MakeWritesFail();
    terminal.State()->localEcho = 1;
    std::string line;
    while (line.size() < 100000)
        line += "\x82\xA0";
    SetTextOf(terminal.Input(), "AB" + line + "XY");
    SendMessageA(terminal.Input(), EM_SETSEL, 2, 50002);
    std::wstring box;
    std::thread operatorHand([&] { box = AnswerMessageBox(GetCurrentProcessId(), 20000); });
    Enter();
    operatorHand.join();
    EXPECT_EQ(kSendFailed + L"\n(WriteFile:000005b4)", box);
    const std::string echoed = terminal.Logs();
    const size_t sent = echoed.size();
    ASSERT_TRUE(sent > 0 && sent < line.size() && sent % 2 == 0) << sent;
    EXPECT_TRUE(line.substr(0, sent) == echoed && "AB" + line.substr(sent) + "XY" == TextOf(terminal.Input()));
    DWORD from = 0, to = 0;
    SendMessageA(terminal.Input(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_TRUE(from == 2 && to == 50002 - sent / 2) << from << " " << to;
    HANDLE port = terminal.State()->port;
    EXPECT_EQ(0, OpenPort(terminal.window) + (port != terminal.State()->port)) << "a second open keeps the port";
    ClosePort(terminal.window);
    char byte = 'x';
    DWORD count = 7;
    EXPECT_EQ(0, ReadPort(terminal.window, &byte, 1, &count) + (byte != 'x') + (count != 7)) << "a closed port reads nothing";
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
    EXPECT_EQ(lines.substr(0, 2 * chunk), terminal.Logs());
    PollReceive(terminal.window, terminal.State()->timerId);
    EXPECT_EQ(lines, terminal.Logs());
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

// Each port beyond the buttons shows the name Windows gives its device; one
// without a name shows as before. The list drops down wide enough for the
// longest.
TEST(PortDialog, NamesEachAdapterBesideItsPort)
{
    LocalTerminal terminal;
    ASSERT_TRUE(ListSerialPorts({"COM5", "COM7"}, true));
    ASSERT_TRUE(RegisterPortDevice("COM5", L"Prolific USB-to-Serial Comm Port (COM5)"));
    std::vector<std::wstring> items;
    LONG widest = 0, dropped = 0;
    EXPECT_TRUE(WithDialog(kPortDialogTitle, [&] { ChoosePortAndBaudRate(terminal.window); }, [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_OTHER_PORTS);
        HDC dc = GetDC(list);
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
        for (LRESULT i = 0; i < SendMessageW(list, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t text[128] = L"";
            SIZE extent = {};
            GetTextExtentPoint32W(dc, text, static_cast<int>(SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text))), &extent);
            items.push_back(text);
            widest = std::max(widest, extent.cx);
        }
        ReleaseDC(list, dc);
        dropped = static_cast<LONG>(SendMessageW(list, CB_GETDROPPEDWIDTH, 0, 0));
        PressDialogButton(dialog, IDCANCEL);
    }));
    RemovePortDevices();
    ListSerialPorts({}, true);
    EXPECT_EQ((std::vector<std::wstring>{L"COM5: Prolific USB-to-Serial Comm Port", L"COM7"}), items);
    EXPECT_GT(dropped, widest);
}

}  // namespace
