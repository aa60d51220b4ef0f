#include <gtest/gtest.h>

#include <string>

#include "tests/textflow/textflow_fixture.h"

namespace {

// Numbered lines, each `width` bytes before its line end.
std::string NumberedLines(int first, int count, size_t width = 10)
{
    std::string lines;
    for (int i = first; i < first + count; ++i) {
        std::string line = std::to_string(i) + ".";
        line.resize(width, ' ');
        lines += line + "\r\n";
    }
    return lines;
}

struct ChunkCase {
    const char *what;
    std::string chunks[2];
    std::string shown;
    char carried;
    std::string echo = "";  // shown between the chunks as echo or DDE text
};

TEST(OutputPane, ChunksBecomeLinesWithSplitCharactersHeldBackWhole)
{
    const ChunkCase cases[] = {
        {"a line, then an open line that continues", {"ABC\r\nDEF", "GH\r"}, "ABC\r\nDEFGH\r\n", '\0'},
        {"lone carriage returns end lines", {"A\rB\r", "\rC"}, "A\r\nB\r\n\r\nC", '\0'},
        {"line feeds are dropped, alone or not", {"A\nB\r\n\nC", "\n"}, "AB\r\nC", '\0'},
        {"lead byte at the chunk's end waits", {"X\x82", ""}, "X", '\x82'},
        {"and comes back whole", {"X\x82", "\xA0Y"}, "X\x82\xA0Y", '\0'},
        {"split right before a line end", {"\x88", "\x9F\r\n"}, "\x88\x9F\r\n", '\0'},
        {"a lone lead byte is held again", {"\x82", "\n"}, "", '\x82'},
        {"second byte that looks like a lead", {"\x82\x82", ""}, "\x82\x82", '\0'},
        {"single-byte kana at the end", {"\xB1\xB2", ""}, "\xB1\xB2", '\0'},
        {"lead byte before a carriage return stays", {"Z\x82\r\nW", ""},
         AsPaneHoldsIt("Z\x82") + "\r\nW", '\0'},
        {"marked lines are plain text without capture", {"\x1D" "ABC\r\n\x1D", ""}, "\x1D" "ABC\r\n\x1D", '\0'},
        {"echo shows its lead byte and leaves the carry", {"A\x82", ""}, AsPaneHoldsIt("AB\x83"), '\x82', "B\x83"},
    };
    for (const ChunkCase &c : cases) {
        SCOPED_TRACE(c.what);
        LoggedTerminal terminal;
        terminal.Receive(c.chunks[0]);
        terminal.Show(c.echo);
        terminal.Receive(c.chunks[1]);
        EXPECT_EQ(c.shown, terminal.Output());
        EXPECT_EQ(c.carried, terminal.State()->leadByteCarry);
    }
}

TEST(OutputPane, PastTwoHundredTwentyLinesTheNextAppendLogsAndCutsTheOldest)
{
    // 220 lines leave 221 with the empty last one; a single chunk goes in
    // whole however many lines it brings. Together the lines are longer than
    // an edit control takes by default; the pane is too wide to wrap them.
    for (int lines : {220, 300}) {
        SCOPED_TRACE(lines);
        LoggedTerminal terminal;
        MoveWindow(terminal.Pane(), 0, 0, 20000, 400, FALSE);
        terminal.Receive(NumberedLines(0, lines, 200));
        EXPECT_EQ("", Mismatch(NumberedLines(0, lines, 200), terminal.Output()));
        EXPECT_EQ("", terminal.Logs());

        terminal.Receive("X");
        int cut = lines + 1 - 200;
        EXPECT_EQ("", Mismatch(NumberedLines(0, cut, 200), terminal.Logs()));
        EXPECT_EQ("", Mismatch(NumberedLines(cut, 199, 200) + "X", terminal.Output()));
        EXPECT_EQ(200, SendMessageA(terminal.Pane(), EM_GETLINECOUNT, 0, 0));
    }
}

TEST(OutputPane, AWrappedLineCountsAsSeveralAndMayBeCutInsideIt)
{
    LoggedTerminal terminal;
    MoveWindow(terminal.Pane(), 0, 0, 120, 400, FALSE);
    const std::string longLine(4000, 'w');
    terminal.Receive(longLine + "\r\n");
    ASSERT_GT(SendMessageA(terminal.Pane(), EM_GETLINECOUNT, 0, 0), 220);

    terminal.Receive("Z");
    std::string logged = terminal.Logs();
    EXPECT_LT(logged.size(), longLine.size()) << "the cut ends inside the long line";
    EXPECT_EQ("", Mismatch(longLine + "\r\nZ", logged + terminal.Output()));
    EXPECT_EQ(200, SendMessageA(terminal.Pane(), EM_GETLINECOUNT, 0, 0));
}

TEST(OutputPane, PagingBackThenNewTextBringsTheViewToTheEnd)
{
    LoggedTerminal terminal;
    HWND pane = terminal.Pane();
    HWND input = terminal.Input();
    MoveWindow(pane, 0, 0, 300, 100, FALSE);
    terminal.Receive(NumberedLines(0, 100));
    LRESULT atEnd = SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_GT(atEnd, 0);
    SetWindowTextA(input, "typed");
    SendMessageA(input, EM_SETSEL, 2, 2);

    SendMessageA(input, WM_KEYDOWN, VK_PRIOR, 0x01490001);
    SendMessageA(input, WM_KEYUP, VK_PRIOR, static_cast<LPARAM>(0xC1490001));
    terminal.Pump(50);
    EXPECT_LT(SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0), atEnd);
    EXPECT_EQ(MAKELONG(2, 2), SendMessageA(input, EM_GETSEL, 0, 0));
    EXPECT_EQ("typed", TextOf(input));

    SendMessageA(input, WM_KEYDOWN, VK_NEXT, 0x01510001);
    terminal.Pump(50);
    EXPECT_EQ(atEnd, SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0));
    SendMessageA(input, WM_KEYDOWN, VK_PRIOR, 0x01490001);
    terminal.Pump(50);
    terminal.Receive("more\r\n");
    EXPECT_GE(SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0), atEnd);
}

}  // namespace
