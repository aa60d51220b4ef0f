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

TEST(TerminalRun, ShowsWhatTheHostSendsAndLogsThePaneAtClose)
{
    TerminalUnderTest terminal("[VRK]\r\nDdeServiceName=\r\nBaudRate=9600\r\n");
    ASSERT_TRUE(terminal.Start());
    ASSERT_FALSE(terminal.Connect().empty());
    FarEnd host(FarPortOf(1), 9600);
    ASSERT_TRUE(host.IsOpen());
    // The character split between the writes comes in two polls.
    ASSERT_TRUE(host.Write("hello\r\n\x82"));
    Sleep(400);
    ASSERT_TRUE(host.Write("\xA0\x82\xA2\r\n"));
    std::string shown = "hello\r\n\x82\xA0\x82\xA2\r\n";
    EXPECT_EQ(shown, WaitForText(GetDlgItem(terminal.MainWindow(), kOutputPaneId), shown));
    std::string log = terminal.PathOf(TodaysLogName().c_str());
    EXPECT_FALSE(FileExists(log)) << "nothing is logged before the pane is trimmed or closed";
    EXPECT_TRUE(terminal.Close());
    EXPECT_EQ(shown, ReadWholeFile(log));
}

}  // namespace
