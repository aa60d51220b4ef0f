// The host simulator's text logic: escapes, Shift-JIS scanning, line
// assembly, replies and the generated stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/host_reply.h"
#include "tools/shift_jis.h"
#include "tools/stream_generator.h"
#include "tools/text_escapes.h"

namespace {

// "ソ" and "表" in Shift-JIS: their second byte is a backslash.
const std::string kSo = "\x83\x5c";
const std::string kHyou = "\x95\x5c";

struct EscapeCase {
    std::string text;
    std::string bytes;
};

TEST(Escapes, DecodeToTheBytesMeant)
{
    const EscapeCase cases[] = {
        {"plain", "plain"},
        {"A\\rB\\nC\\tD", "A\rB\nC\tD"},
        {"\\\\", "\\"},
        {"\\x1d\\x1DX", "\x1d\x1dX"},
        {"\\x00", std::string(1, '\0')},
        {"\\x82\\xa0", "\x82\xa0"},
        {kSo + "\\r", kSo + "\r"},
        {kSo + "x41", kSo + "x41"},
        {kHyou + kSo + "\\\\", kHyou + kSo + "\\"},
        {"", ""},
    };
    for (const EscapeCase &c : cases) {
        std::string out;
        std::string error;
        EXPECT_TRUE(DecodeEscapes(c.text, out, error)) << c.text << ": " << error;
        EXPECT_EQ(c.bytes, out) << c.text;
    }
}

TEST(Escapes, RejectUnknownAndUnfinishedOnes)
{
    for (const char *text : {"\\q", "abc\\", "\\x4", "\\xZZ", "\\x", "ok\\x4g"}) {
        std::string out;
        std::string error;
        EXPECT_FALSE(DecodeEscapes(text, out, error)) << text;
        EXPECT_NE(std::string::npos, error.find("escape")) << text;
    }
}

TEST(ShiftJis, ValidityFollowsTheByteRanges)
{
    const std::pair<std::string, bool> cases[] = {
        {"ASCII only", true},
        {"\x82\xa0\xb6\xc5" + kSo, true},  // hiragana, half-width kana, trail byte '\'
        {"\xea\xa3\xfc\xfc", true},        // upper lead range
        {"\x82", false},                    // lead byte at the end
        {"\x82\x7f", false},                // 0x7F is never a trail byte
        {"\x82\x3f", false},                // below the trail range
        {"\x80", false},
        {"\xa0", false},
        {"\xfd", false},
    };
    for (const auto &[text, valid] : cases)
        EXPECT_EQ(valid, IsValidShiftJis(text)) << ::testing::PrintToString(text);
}

TEST(ShiftJis, BoundaryNeverCutsACharacter)
{
    const std::string text = "A" + kSo + "B";  // A, two-byte character, B
    EXPECT_EQ(0u, CharBoundaryAtOrBefore(text, 0));
    EXPECT_EQ(1u, CharBoundaryAtOrBefore(text, 1));
    EXPECT_EQ(1u, CharBoundaryAtOrBefore(text, 2));
    EXPECT_EQ(3u, CharBoundaryAtOrBefore(text, 3));
    EXPECT_EQ(4u, CharBoundaryAtOrBefore(text, 99));
    EXPECT_EQ(1u, CharBoundaryAtOrBefore("A\x82", 99));
}

std::vector<std::string> Feed(LineAssembler &assembler, const std::string &bytes)
{
    std::vector<std::string> lines;
    FeedReceivedBytes(assembler, bytes.data(), bytes.size(), lines);
    return lines;
}

TEST(LineAssembly, LinesEndAtCrWhateverTheChunks)
{
    LineAssembler assembler;
    EXPECT_TRUE(Feed(assembler, "STA").empty());
    EXPECT_EQ(std::vector<std::string>{"STATUS"}, Feed(assembler, "TUS\r"));
    EXPECT_EQ((std::vector<std::string>{"A", "", "B"}), Feed(assembler, "A\r\n\rB\r"));
    EXPECT_EQ(std::vector<std::string>{"xy"}, Feed(assembler, std::string("\nx\0y\r", 5)));
    EXPECT_EQ(std::vector<std::string>{kSo}, Feed(assembler, kSo + "\r"));
}

TEST(LineAssembly, AnOverlongLineIsCutOnACharacterAndTheRestDropped)
{
    LineAssembler assembler;
    std::string bytes(kMaxHostLineBytes - 1, 'a');
    bytes += kSo;  // straddles the limit
    bytes += "tail\rnext\r";
    const std::vector<std::string> lines = Feed(assembler, bytes);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(std::string(kMaxHostLineBytes - 1, 'a'), lines[0]);
    EXPECT_EQ("next", lines[1]);
}

const char kPrompt[] = "ULACS> ";
const std::string kStatus = "ULACS\x82\xcd\x90\xb3\x8f\xed\x82\xc9\x89\xd2\x93\xad\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81\x42";

struct ReplyCase {
    std::string line;
    std::string body;  // between the echoed line and the prompt
};

TEST(Reply, CommandsGetTheirAnswerAfterTheEchoAndBeforeThePrompt)
{
    const std::string undoSent = "UNDO\x8d\x73\x82\xf0\x91\x97\x82\xe8\x82\xdc\x82\xb5\x82\xbd\x81\x42\r\n";
    const ReplyCase cases[] = {
        {"STATUS", kStatus + "\r\n"},
        {"  status  ", kStatus + "\r\n"},
        {"Echo  " + kSo + kHyou + " x ", kSo + kHyou + " x\r\n"},
        {"ECHO", "\r\n"},
        {"undo AB" + kSo, "\x1d" "AB" + kSo + "\r\n" + undoSent},
        {"", ""},
        {"   ", ""},
        {"STATUSX", "\x81\x75STATUSX\x81\x76\x82\xf0\x8e\xf3\x82\xaf\x95\x74\x82\xaf\x82\xdc\x82\xb5\x82\xbd\x81\x42\r\n"},
    };
    const ReplyStyle style{true, kPrompt};
    for (const ReplyCase &c : cases)
        EXPECT_EQ(c.line + "\r\n" + c.body + kPrompt, BuildReply(c.line, style)) << c.line;
}

TEST(Reply, IsValidShiftJisAndEndsWithThePromptForEveryKindOfLine)
{
    const ReplyStyle style{false, kPrompt};
    const std::vector<std::string> lines = {"HELP", "?", "status", "ECHO " + kSo, "UNDO " + kHyou, "what " + kSo, ""};
    for (const std::string &line : lines) {
        const std::string reply = BuildReply(line, style);
        EXPECT_TRUE(IsValidShiftJis(reply)) << line;
        EXPECT_EQ(kPrompt, reply.substr(reply.size() - 7)) << line;
        EXPECT_NE(0u, reply.rfind(line + "\r\n", 0)) << "echoed although asked not to: " << line;
    }
    EXPECT_EQ(kPrompt, BuildReply("", style));
}

std::string GenerateLines(StreamGenerator generator, int count)
{
    std::string stream;
    for (int i = 0; i < count; ++i)
        AppendStreamLine(generator, stream);
    return stream;
}

// Splits a stream into lines, each with its line end ("\r\n" or a lone "\r").
std::vector<std::string> LinesOf(const std::string &stream)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < stream.size()) {
        std::size_t end = stream.find('\r', start);
        if (end == std::string::npos)
            end = stream.size();
        else if (end + 1 < stream.size() && stream[end + 1] == '\n')
            end += 2;
        else
            end += 1;
        lines.push_back(stream.substr(start, end - start));
        start = end;
    }
    return lines;
}

TEST(Stream, IsReproducibleAndValidShiftJis)
{
    const std::string stream = GenerateLines(StreamGenerator{}, 400);
    EXPECT_EQ(stream, GenerateLines(StreamGenerator{}, 400));
    EXPECT_TRUE(IsValidShiftJis(stream));
    EXPECT_EQ(std::string::npos, stream.find('\0'));
    EXPECT_EQ(std::string::npos, stream.find('\x1d'));
    EXPECT_EQ(stream.substr(stream.size() - 2), "\r\n");
}

TEST(Stream, LinesAreNumberedAndMixAsciiShiftJisAndLoneCrEnds)
{
    const std::vector<std::string> lines = LinesOf(GenerateLines(StreamGenerator{}, 400));
    ASSERT_EQ(400u, lines.size());
    int loneCr = 0;
    int ascii = 0;
    int shiftJis = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string &line = lines[i];
        char number[8];
        std::snprintf(number, sizeof number, "%06zu", i);
        EXPECT_EQ(0u, line.rfind(number, 0)) << line;
        const bool endsWithCrLf = line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0;
        loneCr += endsWithCrLf ? 0 : 1;
        EXPECT_EQ(1u + (endsWithCrLf ? 1 : 0), static_cast<std::size_t>(std::count(line.begin(), line.end(), '\r') +
                                                                         std::count(line.begin(), line.end(), '\n')));
        const bool hasDoubleByte =
            std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        (hasDoubleByte ? shiftJis : ascii)++;
        EXPECT_LE(line.size(), 120u);
    }
    EXPECT_EQ(50, loneCr);
    EXPECT_GT(ascii, 100);
    EXPECT_GT(shiftJis, 100);
}

TEST(Stream, MarkedLinesOnlyWhenAskedAndOnlyAtALineStart)
{
    const std::vector<std::string> lines = LinesOf(GenerateLines(StreamGenerator{0, true}, 160));
    int marked = 0;
    for (const std::string &line : lines) {
        const auto markers = std::count(line.begin(), line.end(), '\x1d');
        EXPECT_LE(markers, 1);
        if (markers == 1) {
            EXPECT_EQ('\x1d', line[0]);
            ++marked;
        }
    }
    EXPECT_EQ(10, marked);
}

}  // namespace
