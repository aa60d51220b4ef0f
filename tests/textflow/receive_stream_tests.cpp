#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>

#include "core/program_identity.h"
#include "serial/serial_port.h"
#include "tests/support/bench_ports.h"
#include "tests/support/build_files.h"
#include "tests/support/far_end.h"
#include "tests/support/terminal_under_test.h"
#include "tests/textflow/textflow_fixture.h"
#include "textflow/daily_log.h"
#include "textflow/output_pane.h"

namespace {

// Watches the pane: the line count it holds when the first text of each
// append goes in, which is after any trim.
WNDPROC previousPaneProc;
bool appendStarted;
LRESULT mostLinesBeforeInsert;

LRESULT CALLBACK WatchingPaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == EM_REPLACESEL && appendStarted) {
        appendStarted = false;
        LRESULT lines = CallWindowProcA(previousPaneProc, pane, EM_GETLINECOUNT, 0, 0);
        mostLinesBeforeInsert = std::max(mostLinesBeforeInsert, lines);
    }
    return CallWindowProcA(previousPaneProc, pane, message, wParam, lParam);
}

int Pick(std::mt19937 &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

// ASCII, half-width kana, and double-byte characters whose second byte is in
// the ASCII range, is a backslash, or could itself be a lead byte.
const char *const kCharacters[] = {"a", "Z", " ", "~", "\xB1", "\xDF", "\x83\x40", "\x83\x7E",
                                   "\x83\x5C", "\x88\x9F", "\x88\xFC", "\x82\xA0", "\x81\x81"};

// A host stream built together with what the pane must end up holding.
struct HostStream {
    std::string sent;
    std::string shown;
};

HostStream BuildStream(std::mt19937 &random, int lines)
{
    HostStream stream;
    for (int i = 0; i < lines; ++i) {
        // Mostly short lines, some wider than the pane.
        int length = Pick(random, 0, 9) == 0 ? Pick(random, 100, 400) : Pick(random, 0, 40);
        std::string line;
        while (static_cast<int>(line.size()) < length)
            line += kCharacters[Pick(random, 0, static_cast<int>(std::size(kCharacters)) - 1)];
        std::string shown = line;
        // A lead byte right before the line end is shown as it stands.
        if (Pick(random, 0, 19) == 0) {
            line += '\x82';
            shown = AsPaneHoldsIt(line);
        }
        stream.sent += line + (Pick(random, 0, 3) == 0 ? "\r" : "\r\n") + (Pick(random, 0, 9) == 0 ? "\n\n" : "");
        stream.shown += shown + "\r\n";
    }
    return stream;
}

TEST(ReceiveStream, EveryByteShownReachesTheLogOnceInOrder)
{
    const unsigned seed = 20240611;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    HostStream stream = BuildStream(random, 3000);
    LoggedTerminal terminal;
    mostLinesBeforeInsert = 0;
    previousPaneProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(terminal.Pane(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingPaneProc)));
    auto receive = [&terminal](const std::string &bytes) {
        appendStarted = true;
        terminal.Receive(bytes);
    };

    for (size_t at = 0; at < stream.sent.size();) {
        // Reads of every size up to a full chunk, and now and then one that
        // brings nothing but a line feed.
        int room = terminal.State()->leadByteCarry ? 1022 : 1023;
        size_t size = std::min<size_t>(Pick(random, 1, room), stream.sent.size() - at);
        if (Pick(random, 0, 16) == 0)
            receive("\n");
        receive(stream.sent.substr(at, size));
        at += size;
    }
    EXPECT_EQ(0, terminal.State()->leadByteCarry);
    EXPECT_LE(mostLinesBeforeInsert, 220);
    EXPECT_NE("", terminal.Logs()) << "the pane was trimmed along the way";
    EXPECT_EQ("", Mismatch(stream.shown, terminal.Logs() + terminal.Output()));

    // The close-time write completes the log.
    EXPECT_EQ(1, LogOutputPane(terminal.Window(), -1, -1));
    EXPECT_EQ("", Mismatch(stream.shown, terminal.Logs()));
}

TEST(ReceiveStream, PollTakesEverythingWaitingOnItsOwnTickWithASplitCharacterWhole)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    UINT_PTR timer = terminal.State()->timerId;
    ASSERT_NE(0u, timer);
    auto pollUntilShown = [&](const std::string &tail) {
        return WaitFor([&] {
            PollReceive(window, timer);
            return terminal.Output().ends_with(tail);
        });
    };
    ASSERT_TRUE(terminal.OpenPortQuietly(1));
    FarEnd host(FarPortOf(1));
    ASSERT_TRUE(host.Write("ABC\r\nDE\x82"));
    Sleep(200);
    PollReceive(window, timer + 1);
    PollReceive(window, 0);
    EXPECT_EQ("", terminal.Output()) << "another timer";
    ASSERT_TRUE(pollUntilShown("ABC\r\nDE"));
    EXPECT_EQ('\x82', terminal.State()->leadByteCarry);
    ASSERT_TRUE(host.Write("\xA0" "F\r\n"));
    ASSERT_TRUE(pollUntilShown("F\r\n"));
    EXPECT_EQ("ABC\r\nDE\x82\xA0" "F\r\n", terminal.Output());
    EXPECT_EQ(0, terminal.State()->leadByteCarry);

    // More than a fast line brings in one tick: several full chunks.
    std::string lines;
    for (int i = 0; lines.size() < 3500; ++i)
        lines += "line " + std::to_string(i) + " of a fast host\r\n";
    ASSERT_TRUE(host.Write(lines));
    Sleep(300);
    PollReceive(window, timer);
    EXPECT_EQ("", Mismatch("ABC\r\nDE\x82\xA0" "F\r\n" + lines, terminal.Output()));
    ClosePort(window);
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
    HWND pane = GetDlgItem(terminal.MainWindow(), kOutputPaneId);
    EXPECT_TRUE(WaitFor([&] { return TextOf(pane) == shown; })) << TextOf(pane);
    std::string log = terminal.PathOf(TodaysLogName().c_str());
    EXPECT_FALSE(FileExists(log)) << "nothing is logged before the pane is trimmed or closed";
    EXPECT_TRUE(terminal.Close());
    EXPECT_EQ(shown, ReadWholeFile(log));
}

}  // namespace
