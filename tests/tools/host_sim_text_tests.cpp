// The host simulator's text logic: escapes, line assembly, replies and the
// generated stream.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/host_reply.h"
#include "tools/stream_generator.h"
#include "tools/text_escapes.h"

namespace {

// "ソ" and "表" in Shift-JIS: their second byte is a backslash.
const std::string kSo = "\x83\x5c";
const std::string kHyou = "\x95\x5c";

// Whole characters that code page 932 maps, judged by the platform rather
// than by the simulator's own byte ranges.
bool IsCodePage932(const std::string &text)
{
    return text.empty() ||
           MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), NULL, 0) > 0;
}

TEST(Escapes, DecodeToTheBytesMeantAndRejectUnknownOrUnfinishedOnes)
{
    const std::pair<std::string, std::string> decoded[] = {
        {"A\\rB\\nC\\tD\\\\", "A\rB\nC\tD\\"}, {"\\x1d\\x1DX\\x00", std::string("\x1d\x1dX\0", 4)},
        {"\\x82\\xa0", "\x82\xa0"}, {kSo + "\\r", kSo + "\r"}, {kSo + "x41", kSo + "x41"},
        {kHyou + kSo + "\\\\", kHyou + kSo + "\\"},
    };
    for (const auto &[text, bytes] : decoded) {
        std::string out;
        std::string error;
        EXPECT_TRUE(DecodeEscapes(text, out, error)) << text << ": " << error;
        EXPECT_EQ(bytes, out) << text;
    }
    for (const char *text : {"\\q", "abc\\", "\\x4", "\\xZZ", "ok\\x4g"}) {
        std::string out;
        std::string error;
        EXPECT_FALSE(DecodeEscapes(text, out, error)) << text;
        EXPECT_FALSE(error.empty());
    }
}

TEST(LineAssembly, LinesEndAtCrWhateverTheChunksAndNeverSplitACharacter)
{
    LineAssembler assembler;
    std::vector<std::string> lines;
    const auto feed = [&](const std::string &bytes) {
        lines.clear();
        FeedReceivedBytes(assembler, bytes.data(), bytes.size(), lines);
        return lines;
    };
    EXPECT_TRUE(feed("STA").empty());
    EXPECT_EQ(std::vector<std::string>{"STATUS"}, feed("TUS\r"));
    EXPECT_EQ((std::vector<std::string>{"A", "", "B", kSo}), feed("A\r\n\rB\r" + kSo + "\r"));
    EXPECT_EQ((std::vector<std::string>{"xy", "A"}), feed(std::string("\nx\0y\rA\x82\r", 9)));

    // An overlong line is cut before the character that straddles the limit,
    // and the rest of it up to its CR is dropped.
    const std::string kept(kMaxHostLineBytes - 1, 'a');
    EXPECT_EQ((std::vector<std::string>{kept, "next"}), feed(kept + kSo + "tail\rnext\r"));
}

TEST(Reply, CommandsGetTheirAnswerBetweenTheEchoAndThePrompt)
{
    const std::string status = "ULACS\x82\xcd\x90\xb3\x8f\xed\x82\xc9\x89\xd2\x93\xad\x82\xb5\x82\xc4\x82\xa2\x82\xdc"
                               "\x82\xb7\x81\x42\r\n";
    const std::string undoSent = "UNDO\x8d\x73\x82\xf0\x91\x97\x82\xe8\x82\xdc\x82\xb5\x82\xbd\x81\x42\r\n";
    const std::string accepted = "\x81\x76\x82\xf0\x8e\xf3\x82\xaf\x95\x74\x82\xaf\x82\xdc\x82\xb5\x82\xbd\x81\x42";
    const std::pair<std::string, std::string> cases[] = {
        {"STATUS", status},
        {"  status  ", status},
        {"Echo  " + kSo + kHyou + " x ", kSo + kHyou + " x\r\n"},
        {"ECHO", "\r\n"},
        {"undo AB" + kSo, "\x1d" "AB" + kSo + "\r\n" + undoSent},
        {"", ""},
        {"   ", ""},
        {"STATUSX", "\x81\x75STATUSX" + accepted + "\r\n"},
    };
    for (const auto &[line, body] : cases) {
        EXPECT_EQ(line + "\r\n" + body + kHostPrompt, BuildReply(line, true)) << line;
        EXPECT_EQ(body + kHostPrompt, BuildReply(line, false)) << line;
        EXPECT_TRUE(IsCodePage932(body)) << line;
    }
    const std::string help = BuildReply("HELP", false);
    EXPECT_TRUE(IsCodePage932(help));
    EXPECT_EQ(std::string::npos, help.find(accepted));
    EXPECT_EQ(help, BuildReply("?", false));
    EXPECT_EQ(help, BuildReply("help", false));
}

std::string Generate(bool markedLines, unsigned count)
{
    StreamGenerator generator;
    generator.markedLines = markedLines;
    std::string stream;
    for (unsigned i = 0; i < count; ++i)
        AppendStreamLine(generator, stream);
    return stream;
}

TEST(Stream, ReproducibleNumberedLinesOfShiftJisAndAsciiWithSomeLoneCrEnds)
{
    for (const bool marked : {false, true}) {
        const std::string stream = Generate(marked, 400);
        EXPECT_EQ(stream, Generate(marked, 400));
        EXPECT_EQ("\r\n", stream.substr(stream.size() - 2));
        std::size_t lines = 0, loneCr = 0, markedCount = 0, shiftJis = 0;
        for (std::size_t start = 0; start < stream.size(); ++lines) {
            const std::size_t cr = stream.find('\r', start);
            ASSERT_NE(std::string::npos, cr);
            const std::string text = stream.substr(start, cr - start);
            const bool crLf = stream[cr + 1] == '\n';  // the terminating NUL at the very end
            start = cr + (crLf ? 2 : 1);
            const bool isMarked = !text.empty() && text[0] == '\x1d';
            char number[8];
            std::snprintf(number, sizeof number, "%06zu", lines);
            EXPECT_EQ(isMarked ? 1u : 0u, text.find(number)) << text;
            EXPECT_EQ(std::string::npos, text.find_first_of(std::string("\n\x1d\0", 3), isMarked ? 1 : 0)) << text;
            EXPECT_TRUE(IsCodePage932(text)) << text;
            const auto high = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
            shiftJis += std::any_of(text.begin(), text.end(), high) ? 1 : 0;
            loneCr += crLf ? 0 : 1;
            markedCount += isMarked ? 1 : 0;
        }
        EXPECT_EQ(400u, lines);
        EXPECT_EQ(50u, loneCr);
        EXPECT_EQ(marked ? 25u : 0u, markedCount);
        EXPECT_GT(shiftJis, 100u);
        EXPECT_LT(shiftJis, 300u);
    }
}

}  // namespace
