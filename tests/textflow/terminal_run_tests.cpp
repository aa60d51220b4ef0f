#include <gtest/gtest.h>

#include <string>

#include "app/program_identity.h"
#include "tests/support/bench_ports.h"
#include "tests/support/build_files.h"
#include "tests/support/far_end.h"
#include "tests/support/terminal_under_test.h"
#include "tests/textflow/textflow_fixture.h"

namespace {

std::string WaitForText(HWND control, const std::string &expected)
{
    std::string text = TextOf(control);
    for (DWORD start = GetTickCount(); text != expected && GetTickCount() - start < 3000; text = TextOf(control))
        Sleep(50);
    return text;
}

TEST(TerminalRun, ReceivesSendsEchoesAndLogsThePaneAtClose)
{
    TerminalUnderTest terminal("[VRK]\r\nDdeServiceName=\r\nLocalEcho=1\r\nBaudRate=9600\r\n");
    ASSERT_TRUE(terminal.Start());
    ASSERT_FALSE(terminal.Connect().empty());
    FarEnd host(FarPortOf(1), 9600);
    ASSERT_TRUE(host.IsOpen());
    HWND pane = GetDlgItem(terminal.MainWindow(), kOutputPaneId);
    HWND input = GetDlgItem(terminal.MainWindow(), kInputLineId);

    ASSERT_TRUE(host.Write("hello\r\n\x82\xA0"));
    Sleep(400);
    ASSERT_TRUE(host.Write("\x82\xA2\r\n"));
    EXPECT_EQ("hello\r\n\x82\xA0\x82\xA2\r\n", WaitForText(pane, "hello\r\n\x82\xA0\x82\xA2\r\n"));

    SendMessageA(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ABCDEF"));
    SendMessageA(input, EM_SETSEL, 3, 3);
    SendMessageA(input, WM_CHAR, '\r', 0x001C0001);
    EXPECT_EQ("ABC\r", host.Read(4));
    EXPECT_EQ("DEF", TextOf(input));

    std::string shown = "hello\r\n\x82\xA0\x82\xA2\r\nABC\r\n";
    EXPECT_EQ(shown, WaitForText(pane, shown));
    std::string log = terminal.PathOf(TodaysLogName().c_str());
    EXPECT_FALSE(FileExists(log)) << "nothing is logged before the pane is trimmed or closed";
    EXPECT_TRUE(terminal.Close());
    EXPECT_EQ(shown, ReadWholeFile(log));
}

}  // namespace
