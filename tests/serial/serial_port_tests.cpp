#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "serial/serial_port.h"
#include "tests/support/bench_ports.h"
#include "tests/support/far_end.h"
#include "tests/support/in_process_terminal.h"
#include "tests/support/message_boxes.h"
#include "tests/support/windows_of_process.h"

namespace {

const wchar_t kOpenFailed[] = L"通信ポートを開けませんでした。\n・ポート番号が間違ってないか？\n・他のソフトが同じポートを使ってないか？\n確認してください。";
const wchar_t kSendFailed[] = L"文字送信に失敗しました。\n・RS232Cケーブルの未接続・間違い・不良はないか？\n・ULACSの電源未投入・異常はないか？\n確認してください。";

// Fills the cable (nobody reads its far end) and shortens the write time-out,
// so the next large write gives up part way as it does when CTS is withheld.
void MakeWritesFail(InProcessTerminal &terminal)
{
    COMMTIMEOUTS quick = {MAXDWORD, 0, 0, 0, 300};
    ASSERT_TRUE(SetCommTimeouts(terminal.State()->port, &quick));
}

std::wstring ReadFromPort(HWND window, std::string *bytes, DWORD *count, DWORD wanted = 64)
{
    bytes->assign(wanted, '\x7f');
    int result = ReadPort(window, &(*bytes)[0], wanted, count);
    return result ? L"ok" : L"failed";
}

TEST(SerialPort, LineSettingsAreFixedBeforeAnyOpen)
{
    InProcessTerminal terminal;
    const TerminalState *state = terminal.State();
    ASSERT_NE(nullptr, state);
    const DCB &dcb = state->dcb;
    EXPECT_EQ(sizeof(DCB), dcb.DCBlength);
    EXPECT_EQ(1200u, dcb.BaudRate);
    EXPECT_EQ(0x2817u, *reinterpret_cast<const DWORD *>(reinterpret_cast<const char *>(&dcb) + 8));
    EXPECT_EQ(1024, dcb.XonLim);
    EXPECT_EQ(1024, dcb.XoffLim);
    EXPECT_EQ(8, dcb.ByteSize);
    EXPECT_EQ(NOPARITY, dcb.Parity);
    EXPECT_EQ(ONESTOPBIT, dcb.StopBits);
    EXPECT_EQ(0x11, dcb.XonChar);
    EXPECT_EQ(0x13, dcb.XoffChar);
    EXPECT_EQ(0, state->portIndex);
    EXPECT_EQ(1200, state->baudRate);
    EXPECT_FALSE(IsPortOpen(terminal.Window()));
}

TEST(SerialPort, ClosedPortReadsNothingAndWritesAsSuccessSilently)
{
    InProcessTerminal terminal;
    MessageBoxWatcher boxes;
    std::string bytes;
    DWORD count = 99;
    EXPECT_EQ(L"failed", ReadFromPort(terminal.Window(), &bytes, &count));
    EXPECT_EQ(99u, count);
    EXPECT_EQ(std::string(64, '\x7f'), bytes);
    EXPECT_EQ(1, WritePort(terminal.Window(), "ABC", 3));
    EXPECT_EQ(0, ClosePort(terminal.Window()));
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST(SerialPort, WithoutARecordEveryOperationDoesNothing)
{
    HWND stranger = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    DWORD count = 7;
    char byte = 'x';
    EXPECT_EQ(0, OpenPort(NULL));
    EXPECT_EQ(0, IsPortOpen(NULL));
    EXPECT_EQ(0, WritePort(NULL, "A", 1));
    EXPECT_EQ(0, ReadPort(NULL, &byte, 1, &count));
    EXPECT_EQ(7u, count);
    EXPECT_EQ(0, ClosePort(NULL));
    DestroyWindow(stranger);
}

TEST(SerialPort, OpenReadWriteAndCloseOverACable)
{
    InProcessTerminal terminal;
    HWND window = terminal.Window();
    ASSERT_TRUE(terminal.OpenPortQuietly(1));
    FarEnd cable(FarPortOf(1));
    ASSERT_TRUE(cable.IsOpen());
    cable.Discard();

    MessageBoxWatcher boxes;
    HANDLE before = terminal.State()->port;
    EXPECT_EQ(0, OpenPort(window)) << "a second open keeps the port";
    EXPECT_EQ(before, terminal.State()->port);

    std::string bytes;
    DWORD count = 99;
    EXPECT_EQ(L"ok", ReadFromPort(window, &bytes, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(std::string(64, '\0'), bytes) << "nothing arrived: every byte asked for is zero";

    EXPECT_EQ(1, WritePort(window, "ABC\r", 4));
    EXPECT_EQ("ABC\r", cable.Read(4));

    // NUL bytes from the far end never reach the reader, whatever the driver does.
    ASSERT_TRUE(cable.Write(std::string("A\0B\0\0C", 6)));
    Sleep(200);
    EXPECT_EQ(L"ok", ReadFromPort(window, &bytes, &count, 16));
    EXPECT_EQ(3u, count);
    EXPECT_EQ(std::string("ABC") + std::string(13, '\0'), bytes);

    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(1, ClosePort(window));
    EXPECT_FALSE(IsPortOpen(window));
    EXPECT_EQ(0, ClosePort(window));
}

TEST(SerialPort, ShortWriteIsReportedAsAFailedSend)
{
    InProcessTerminal terminal;
    HWND window = terminal.Window();
    ASSERT_TRUE(terminal.OpenPortQuietly(2));
    MakeWritesFail(terminal);
    std::string lots(4 << 20, 'x');
    MessageBoxWatcher boxes;
    EXPECT_EQ(0, WritePort(window, lots.data(), static_cast<DWORD>(lots.size())));
    Sleep(200);
    std::vector<std::wstring> texts = boxes.Texts();
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(std::wstring(kSendFailed) + L"\n(WriteFile:000005b4)", texts[0]);
    EXPECT_TRUE(IsPortOpen(window)) << "a failed write keeps the port open";
    ClosePort(window);
    FarEnd cable(FarPortOf(2));
    cable.Discard();
}

bool PutTextOnClipboard(const std::string &text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!block)
        return false;
    memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    if (!OpenClipboard(NULL))
        return false;
    EmptyClipboard();
    bool put = SetClipboardData(CF_TEXT, block) != NULL;
    CloseClipboard();
    return put;
}

TEST(SerialPort, AFailedWriteReleasesAnotherThreadsSendBeforeItsBox)
{
    InProcessTerminal terminal;
    ASSERT_TRUE(terminal.OpenPortQuietly(5));
    MakeWritesFail(terminal);
    ASSERT_TRUE(PutTextOnClipboard(std::string(4 << 20, 'p')));

    std::atomic<bool> sendReturned(false);
    std::thread sender([&] {
        SendMessageA(terminal.Window(), WM_PASTE, 0, 0);
        sendReturned = true;
    });
    std::atomic<bool> returnedWhileBoxOpen(false);
    std::thread operatorHand([&] {
        HWND box = WaitForTopLevel(GetCurrentProcessId(), kDialogClass, kCaption, 20000);
        for (int i = 0; i < 100 && box && !sendReturned; ++i)
            Sleep(10);
        returnedWhileBoxOpen = box && IsWindowVisible(box) && sendReturned;
        if (box)
            PressDialogButton(box, IDOK);
    });
    terminal.Pump(3000);
    operatorHand.join();
    sender.join();
    EXPECT_TRUE(returnedWhileBoxOpen) << "the sending program waits no longer than the write";
    ClosePort(terminal.Window());
    FarEnd cable(FarPortOf(5));
    cable.Discard();
}

struct OpenFailure {
    const char *what;
    LONG portIndex;
    LONG baudRate;
    const wchar_t *suffix;
};

TEST(SerialPort, FailedOpensNameTheStepAndLeaveThePortClosed)
{
    const OpenFailure failures[] = {
        {"port without a device", kPortWithoutDevice - 1, 9600, L"\n(CreateFile:00000002)"},
        {"port number far out of range", 254, 9600, L"\n(CreateFile:00000002)"},
        {"negative port number", -5, 9600, L"\n(CreateFile:00000002)"},
    };
    InProcessTerminal terminal;
    for (const OpenFailure &failure : failures) {
        SCOPED_TRACE(failure.what);
        terminal.State()->portIndex = failure.portIndex;
        terminal.State()->baudRate = failure.baudRate;
        MessageBoxWatcher boxes;
        EXPECT_EQ(0, OpenPort(terminal.Window()));
        Sleep(100);
        std::vector<std::wstring> texts = boxes.Texts();
        ASSERT_EQ(1u, texts.size());
        EXPECT_EQ(std::wstring(kOpenFailed) + failure.suffix, texts[0]);
        EXPECT_FALSE(IsPortOpen(terminal.Window()));
    }
}

}  // namespace
