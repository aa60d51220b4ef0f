#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
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
    HWND pane = terminal.Pane();
    mostLinesBeforeInsert = 0;
    previousPaneProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingPaneProc)));

    for (size_t at = 0; at < stream.sent.size();) {
        // Reads of every size up to a full chunk, and now and then one that
        // brings nothing but a line feed.
        int room = terminal.State()->leadByteCarry ? 1022 : 1023;
        size_t size = std::min<size_t>(Pick(random, 1, room), stream.sent.size() - at);
        if (Pick(random, 0, 16) == 0) {
            appendStarted = true;
            terminal.Receive("\n");
        }
        appendStarted = true;
        terminal.Receive(stream.sent.substr(at, size));
        at += size;
    }
    EXPECT_EQ(0, terminal.State()->leadByteCarry);
    EXPECT_LE(mostLinesBeforeInsert, 220);
    EXPECT_NE("", terminal.Logs()) << "the pane was trimmed along the way";
    EXPECT_EQ("", Mismatch(stream.shown, terminal.Logs() + terminal.Output()));

    // The close-time write completes the log.
    EXPECT_EQ(1, LogOutputPane(terminal.Window(), -1, -1));
    EXPECT_EQ("", Mismatch(stream.shown, terminal.Logs()));
    SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousPaneProc));
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
