#include <gtest/gtest.h>

#include <string>

#include "resources/resource_ids.h"
#include "tests/support/bench_ports.h"
#include "tests/support/build_files.h"
#include "tests/support/terminal_under_test.h"
#include "tests/support/windows_of_process.h"

namespace {

const wchar_t kPortOpened[] = L"通信ポートを開きました。\n文字を入力してEnterキーを押せばULACSに送信されます。";
const wchar_t kOpenFailed[] = L"通信ポートを開けませんでした。\n・ポート番号が間違ってないか？\n・他のソフトが同じポートを使ってないか？\n確認してください。";
const int kCom2 = 1001;
const int kBaud4800 = 1003;

std::string WithDdeOff(const std::string &keys)
{
    return "[VRK]\r\nDdeServiceName=\r\n" + keys;
}

TEST(Connect, PortDialogComesFirstThenBaudRateThenTheOpenedBox)
{
    TerminalUnderTest terminal;
    ASSERT_TRUE(terminal.Start());
    EXPECT_EQ(L"VRK", terminal.Title());
    EXPECT_EQ(kPortOpened, terminal.Connect());
    EXPECT_EQ(L"COM1 1200 - VRK", terminal.WaitForTitle(L"COM1 1200 - VRK"));
    EXPECT_TRUE(terminal.Close());
}

struct Preselection {
    const char *keys;
    int portChoice;
    int baudChoice;
    const wchar_t *title;
};

// Values beyond the dialogs' buttons: a port past COM4 checks no button and
// OK keeps it; an unknown rate shows 1200, which OK then stores.
TEST(Connect, DialogsStartOnTheSavedValuesAndOkKeepsThem)
{
    const Preselection cases[] = {
        {"CommPort=1\r\nBaudRate=9600\r\n", 1001, 1004, L"COM2 9600 - VRK"},
        {"CommPort=4\r\nBaudRate=9600\r\n", 0, 1004, L"COM5 9600 - VRK"},
        {"CommPort=11\r\nBaudRate=2400\r\n", 0, 1002, L"COM12 2400 - VRK"},
        {"CommPort=0\r\nBaudRate=12345\r\n", 1000, 1001, L"COM1 1200 - VRK"},
    };
    for (const Preselection &c : cases) {
        SCOPED_TRACE(c.keys);
        TerminalUnderTest terminal(WithDdeOff(c.keys).c_str());
        ASSERT_TRUE(terminal.Start());
        HWND portDialog = terminal.WaitForDialog(kPortDialogTitle);
        ASSERT_TRUE(portDialog);
        EXPECT_EQ(c.portChoice, TerminalUnderTest::CheckedChoice(portDialog));
        ASSERT_TRUE(terminal.AnswerPortDialog(0));
        HWND baudDialog = terminal.WaitForDialog(kBaudRateDialogTitle);
        ASSERT_TRUE(baudDialog);
        EXPECT_EQ(c.baudChoice, TerminalUnderTest::CheckedChoice(baudDialog));
        ASSERT_TRUE(terminal.AnswerBaudRateDialog(0));
        EXPECT_EQ(kPortOpened, terminal.AnswerMessageBox());
        EXPECT_EQ(c.title, terminal.WaitForTitle(c.title));
        EXPECT_TRUE(terminal.Close());
    }
}

TEST(Connect, CancellingEitherDialogLeavesThePortClosed)
{
    TerminalUnderTest terminal(WithDdeOff("").c_str());
    ASSERT_TRUE(terminal.Start());
    ASSERT_TRUE(terminal.AnswerPortDialog(0, false));
    EXPECT_TRUE(StaysAbsent(terminal.ProcessId(), L"#32770", NULL, 300)) << "no box, no second dialog";
    EXPECT_EQ(L"VRK", terminal.Title());

    // Cancelling the rate keeps the port chosen before it; it is saved at exit.
    PostMessageW(terminal.MainWindow(), WM_COMMAND, IDM_CONNECT, 0);
    ASSERT_TRUE(terminal.AnswerPortDialog(kCom2));
    ASSERT_TRUE(terminal.AnswerBaudRateDialog(kBaud4800, false));
    EXPECT_TRUE(StaysAbsent(terminal.ProcessId(), L"#32770", NULL, 300));
    EXPECT_EQ(L"VRK", terminal.Title());
    ASSERT_TRUE(terminal.Close());
    std::string ini = ReadWholeFile(terminal.PathOf("VRK.ini"));
    EXPECT_NE(std::string::npos, ini.find("CommPort=1\r\n"));
    EXPECT_NE(std::string::npos, ini.find("BaudRate=1200\r\n"));
}

TEST(Connect, ChoosingConnectAgainClosesThePortBeforeTheDialogs)
{
    TerminalUnderTest terminal(WithDdeOff("BaudRate=9600\r\n").c_str());
    ASSERT_TRUE(terminal.Start());
    ASSERT_EQ(kPortOpened, terminal.Connect());
    ASSERT_EQ(L"COM1 9600 - VRK", terminal.WaitForTitle(L"COM1 9600 - VRK"));
    PostMessageW(terminal.MainWindow(), WM_COMMAND, IDM_CONNECT, 0);
    ASSERT_TRUE(terminal.WaitForDialog(kPortDialogTitle));
    EXPECT_EQ(L"VRK", terminal.Title());
    ASSERT_TRUE(terminal.AnswerPortDialog(0, false));
    EXPECT_EQ(L"VRK", terminal.Title());
    EXPECT_TRUE(terminal.Close());
}

TEST(Connect, APortWithoutADeviceReportsTheFailedStepAndCode)
{
    std::string keys = "CommPort=" + std::to_string(kPortWithoutDevice - 1) + "\r\n";
    TerminalUnderTest terminal(WithDdeOff(keys).c_str());
    ASSERT_TRUE(terminal.Start());
    EXPECT_EQ(std::wstring(kOpenFailed) + L"\n(CreateFile:00000002)", terminal.Connect());
    EXPECT_EQ(L"VRK", terminal.Title());
    EXPECT_TRUE(terminal.Close());
}

TEST(Connect, TitleNamesTheDdeServiceWhileItIsOn)
{
    TerminalUnderTest terminal("[VRK]\r\nDdeServiceName=Ulacs-Line2\r\nCommPort=1\r\nBaudRate=4800\r\n");
    ASSERT_TRUE(terminal.Start());
    EXPECT_EQ(L"VRK (Ulacs-Line2)", terminal.WaitForTitle(L"VRK (Ulacs-Line2)"));
    EXPECT_EQ(kPortOpened, terminal.Connect());
    EXPECT_EQ(L"COM2 4800 - VRK (Ulacs-Line2)", terminal.WaitForTitle(L"COM2 4800 - VRK (Ulacs-Line2)"));
    EXPECT_TRUE(terminal.Close());
}

}  // namespace
