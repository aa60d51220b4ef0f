#include <gtest/gtest.h>

#include <random>
#include <string>

#include "serial/serial_port.h"
#include "tests/support/bench_ports.h"
#include "tests/support/far_end.h"
#include "tests/textflow/textflow_fixture.h"
#include "textflow/daily_log.h"
#include "textflow/output_pane.h"

namespace {

LRESULT LineCount(HWND pane)
{
    return SendMessageA(pane, EM_GETLINECOUNT, 0, 0);
}

std::string NumberedLines(int first, int count)
{
    std::string lines;
    for (int i = first; i < first + count; ++i) {
        char line[16];
        snprintf(line, sizeof line, "L%03d\r\n", i);
        lines += line;
    }
    return lines;
}

struct ChunkCase {
    const char *what;
    std::string chunks[2];
    std::string shown;
    char carried;
};

TEST(OutputPane, ChunksBecomeLinesWithSplitCharactersHeldBackWhole)
{
    const ChunkCase cases[] = {
        {"line, then an open line", {"ABC\r\nDEF", ""}, "ABC\r\nDEF", '\0'},
        {"the open line continues", {"ABC\r\nDEF", "GH\r"}, "ABC\r\nDEFGH\r\n", '\0'},
        {"lone carriage returns end lines", {"A\rB\r", "\rC"}, "A\r\nB\r\n\r\nC", '\0'},
        {"line feeds alone add nothing", {"\n\n\n", "\n"}, "", '\0'},
        {"line feeds anywhere are dropped", {"A\nB\r\n\nC", "\n"}, "AB\r\nC", '\0'},
        {"lead byte at the chunk's end waits", {"X\x82", ""}, "X", '\x82'},
        {"and comes back whole", {"X\x82", "\xA0Y"}, "X\x82\xA0Y", '\0'},
        {"split right before a line end", {"\x88", "\x9F\r\n"}, "\x88\x9F\r\n", '\0'},
        {"a lone lead byte is held again", {"\x82", "\n"}, "", '\x82'},
        {"whole character at the end", {"\x82\xA0", ""}, "\x82\xA0", '\0'},
        {"second byte that looks like a lead", {"\x82\x82", ""}, "\x82\x82", '\0'},
        {"single-byte kana at the end", {"\xB1\xB2", ""}, "\xB1\xB2", '\0'},
        {"lead byte before a carriage return stays", {"Z\x82\r\nW", ""},
         AsPaneHoldsIt("Z\x82") + "\r\nW", '\0'},
    };
    for (const ChunkCase &c : cases) {
        SCOPED_TRACE(c.what);
        LoggedTerminal terminal;
        for (const std::string &chunk : c.chunks)
            terminal.Receive(chunk);
        EXPECT_EQ(c.shown, terminal.Output());
        EXPECT_EQ(c.carried, terminal.State()->leadByteCarry);
    }
}

TEST(OutputPane, EchoAndDdeTextShowATrailingLeadByteAndLeaveTheCarryAlone)
{
    LoggedTerminal terminal;
    terminal.Receive("A\x82");
    terminal.Show("B\x83");
    EXPECT_EQ(std::string("A") + AsPaneHoldsIt("B\x83"), terminal.Output());
    EXPECT_EQ('\x82', terminal.State()->leadByteCarry);
    EXPECT_NE(0, SendMessageA(terminal.Pane(), EM_GETMODIFY, 0, 0)) << "insertions mark the pane modified";
}

TEST(OutputPane, PastTwoHundredTwentyLinesTheOldestAreLoggedAndCut)
{
    LoggedTerminal terminal;
    terminal.Receive(NumberedLines(0, 220));
    ASSERT_EQ(221, LineCount(terminal.Pane()));
    EXPECT_EQ(0, terminal.LogFileCount()) << "the trim looks only at what the pane held before";

    terminal.Receive("X");
    EXPECT_EQ(NumberedLines(0, 21), terminal.Logs());
    EXPECT_EQ(NumberedLines(21, 199) + "X", terminal.Output());
    EXPECT_EQ(200, LineCount(terminal.Pane()));
}

TEST(OutputPane, OneChunkOfThreeHundredLinesGoesInWholeAndIsCutAtTheNextAppend)
{
    LoggedTerminal terminal;
    terminal.Receive(NumberedLines(0, 300));
    EXPECT_EQ(NumberedLines(0, 300), terminal.Output());
    EXPECT_EQ(0, terminal.LogFileCount());

    terminal.Receive("Y\r");
    EXPECT_EQ(NumberedLines(0, 101), terminal.Logs());
    EXPECT_EQ(NumberedLines(101, 199) + "Y\r\n", terminal.Output());
}

TEST(OutputPane, AWrappedLineCountsAsSeveralAndMayBeCutInsideIt)
{
    LoggedTerminal terminal;
    MoveWindow(terminal.Pane(), 0, 0, 120, 400, FALSE);
    std::string longLine;
    for (int i = 0; i < 4000; ++i)
        longLine += static_cast<char>('a' + i % 26);
    terminal.Receive(longLine + "\r\n");
    ASSERT_GT(LineCount(terminal.Pane()), 220);

    terminal.Receive("Z");
    std::string logged = terminal.Logs();
    EXPECT_FALSE(logged.empty());
    EXPECT_LT(logged.size(), longLine.size()) << "the cut ends inside the long line";
    EXPECT_EQ("", Mismatch(longLine + "\r\nZ", logged + terminal.Output()));
    EXPECT_EQ(200, LineCount(terminal.Pane()));
}

TEST(OutputPane, WithCaptureOffMarkedLinesAreShownAndLoggedLikeAnyOther)
{
    LoggedTerminal terminal;
    terminal.Receive("\x1D" "ABC\r\n\x1D");
    EXPECT_EQ("\x1D" "ABC\r\n\x1D", terminal.Output());
    EXPECT_EQ(1, LogOutputPane(terminal.Window(), -1, -1));
    EXPECT_EQ("\x1D" "ABC\r\n\x1D", terminal.Logs());
}

TEST(OutputPane, ThePaneTakesMoreThanAnEditControlsDefaultLimit)
{
    LoggedTerminal terminal;
    // A wide pane holds 220 long display lines; a chunk then comes on top.
    MoveWindow(terminal.Pane(), 0, 0, 20000, 400, FALSE);
    std::string lines;
    for (int i = 0; i < 200; ++i)
        lines += std::string(300, static_cast<char>('A' + i % 26)) + "\r\n";
    terminal.Receive(lines);
    EXPECT_EQ("", Mismatch(lines, terminal.Output()));
}

TEST(OutputPane, PagingBackThenNewTextBringsTheViewToTheEnd)
{
    LoggedTerminal terminal;
    HWND pane = terminal.Pane();
    MoveWindow(pane, 0, 0, 300, 100, FALSE);
    terminal.Receive(NumberedLines(0, 100));
    LRESULT atEnd = SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_GT(atEnd, 0);
    SetWindowTextA(terminal.Input(), "typed");
    SendMessageA(terminal.Input(), EM_SETSEL, 2, 2);

    SendMessageA(terminal.Input(), WM_KEYDOWN, VK_PRIOR, 0x01490001);
    SendMessageA(terminal.Input(), WM_KEYUP, VK_PRIOR, static_cast<LPARAM>(0xC1490001));
    terminal.Terminal().Pump(50);
    EXPECT_LT(SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0), atEnd);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(terminal.Input(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(2u, start);
    EXPECT_EQ(2u, end);
    EXPECT_EQ("typed", WindowText(terminal.Input()));

    SendMessageA(terminal.Input(), WM_KEYDOWN, VK_NEXT, 0x01510001);
    terminal.Terminal().Pump(50);
    SendMessageA(terminal.Input(), WM_KEYDOWN, VK_PRIOR, 0x01490001);
    terminal.Terminal().Pump(50);
    terminal.Receive("more\r\n");
    EXPECT_GE(SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0), atEnd);
}

}  // namespace
