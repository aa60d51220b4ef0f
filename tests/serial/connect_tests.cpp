#include <gtest/gtest.h>

#include "tests/support/bench_ports.h"
#include "tests/support/far_end.h"
#include "tests/support/terminal_under_test.h"

namespace {

const wchar_t kPortOpened[] = L"通信ポートを開きました。\n文字を入力してEnterキーを押せばULACSに送信されます。";

TEST(Connect, PortDialogComesFirstThenBaudRateThenTheOpenedBox)
{
    TerminalUnderTest terminal;
    ASSERT_TRUE(terminal.Start());
    EXPECT_EQ(L"VRK", terminal.Title());
    EXPECT_EQ(kPortOpened, terminal.Connect());
    EXPECT_EQ(L"COM1 1200 - VRK", terminal.WaitForTitle(L"COM1 1200 - VRK"));
    EXPECT_TRUE(terminal.Close());
}

}  // namespace
