#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "serial/serial_port.h"
#include "tests/support/bench_ports.h"
#include "tests/support/far_end.h"
#include "tests/textflow/textflow_fixture.h"
#include "textflow/daily_log.h"
#include "textflow/output_pane.h"

namespace {

// Watches the pane: the line count it holds when the first text of each
// append goes in, which is after any trim.
struct PaneWatch {
    WNDPROC previous = NULL;
    bool appendStarted = false;
    LRESULT mostLinesBeforeInsert = 0;
};
PaneWatch watch;

LRESULT CALLBACK WatchingPaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == EM_REPLACESEL && watch.appendStarted) {
        watch.appendStarted = false;
        LRESULT lines = CallWindowProcA(watch.previous, pane, EM_GETLINECOUNT, 0, 0);
        watch.mostLinesBeforeInsert = std::max(watch.mostLinesBeforeInsert, lines);
    }
    return CallWindowProcA(watch.previous, pane, message, wParam, lParam);
}

int Pick(std::mt19937 &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

// One character: ASCII, half-width kana, or a double-byte character whose
// second byte is sometimes in the ASCII range.
std::string Character(std::mt19937 &random)
{
    switch (Pick(random, 0, 4)) {
    case 0:
        return std::string(1, static_cast<char>(Pick(random, 0xA1, 0xDF)));
    case 1:
        return {'\x83', static_cast<char>(Pick(random, 0x40, 0x7E))};
    case 2:
        return {'\x88', static_cast<char>(Pick(random, 0x9F, 0xFC))};
    default:
        return std::string(1, static_cast<char>(Pick(random, 0x20, 0x7E)));
    }
}

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
            line += Character(random);
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
    HWND pane = terminal.Pane();
    watch = PaneWatch();
    watch.previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingPaneProc)));

    for (size_t at = 0; at < stream.sent.size();) {
        // Reads of every size up to a full chunk, and now and then one that
        // brings nothing but a line feed.
        int room = terminal.State()->leadByteCarry ? 1022 : 1023;
        size_t size = std::min<size_t>(Pick(random, 1, room), stream.sent.size() - at);
        if (Pick(random, 0, 16) == 0) {
            watch.appendStarted = true;
            terminal.Receive("\n");
        }
        watch.appendStarted = true;
        terminal.Receive(stream.sent.substr(at, size));
        at += size;
    }
    EXPECT_EQ(0, terminal.State()->leadByteCarry);
    EXPECT_LE(watch.mostLinesBeforeInsert, 220);
    EXPECT_NE("", terminal.Logs()) << "the pane was trimmed along the way";
    EXPECT_EQ("", Mismatch(stream.shown, terminal.Logs() + terminal.Output()));

    // The close-time write completes the log.
    EXPECT_EQ(1, LogOutputPane(terminal.Window(), -1, -1));
    EXPECT_EQ("", Mismatch(stream.shown, terminal.Logs()));
    SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watch.previous));
}

// Polls until the pane's text ends with `tail` or two seconds pass.
bool PollUntilShown(LoggedTerminal &terminal, const std::string &tail)
{
    for (int i = 0; i < 100; ++i) {
        PollReceive(terminal.Window(), terminal.State()->timerId);
        if (terminal.Output().ends_with(tail))
            return true;
        Sleep(20);
    }
    return false;
}

TEST(ReceiveStream, PollTakesEverythingWaitingOnItsOwnTickWithASplitCharacterWhole)
{
    LoggedTerminal terminal;
    HWND window = terminal.Window();
    UINT_PTR timer = terminal.State()->timerId;
    ASSERT_NE(0u, timer);
    PollReceive(window, timer);
    EXPECT_EQ("", terminal.Output()) << "closed port";

    ASSERT_TRUE(terminal.OpenPortQuietly(1));
    FarEnd host(FarPortOf(1));
    ASSERT_TRUE(host.Write("ABC\r\nDE\x82"));
    Sleep(200);
    PollReceive(window, timer + 1);
    PollReceive(window, 0);
    EXPECT_EQ("", terminal.Output()) << "another timer";
    ASSERT_TRUE(PollUntilShown(terminal, "ABC\r\nDE"));
    EXPECT_EQ('\x82', terminal.State()->leadByteCarry);
    ASSERT_TRUE(host.Write("\xA0" "F\r\n"));
    ASSERT_TRUE(PollUntilShown(terminal, "F\r\n"));
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

}  // namespace
