// The host simulator's command line, scripts and output pacing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/host_actions.h"
#include "tools/host_sim_options.h"
#include "tools/line_pacer.h"

namespace {

bool Parse(std::vector<const char *> args, HostSimOptions &options, std::string &error)
{
    args.insert(args.begin(), "host_sim");
    return ParseHostSimArgs(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(CommandLine, WithoutStepsTheRunAnswersAtTheLineRate)
{
    HostSimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--port", "21"}, options, error)) << error;
    EXPECT_EQ(21u, options.port);
    EXPECT_EQ(1200u, options.baudRate);
    EXPECT_EQ(120u, options.bytesPerSecond);
    EXPECT_TRUE(options.answer);
    EXPECT_TRUE(options.echoLines);
    EXPECT_EQ("ULACS> ", options.prompt);
    EXPECT_TRUE(options.actions.empty());
    EXPECT_TRUE(options.splitOffsets.empty());
    EXPECT_EQ(0, options.exitAfterSeconds);
}

TEST(CommandLine, TheBenchmarkRunStreamsRecordsAndEnds)
{
    HostSimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--port", "21", "--baud", "9600", "--stream", "2.5", "--record", "C:\\out.bin"}, options,
                      error))
        << error;
    EXPECT_EQ(960u, options.bytesPerSecond);
    EXPECT_FALSE(options.answer);
    ASSERT_EQ(1u, options.actions.size());
    EXPECT_EQ(HostActionKind::Stream, options.actions[0].kind);
    EXPECT_EQ(2.5, options.actions[0].seconds);
    EXPECT_EQ("C:\\out.bin", options.recordPath);
    EXPECT_FALSE(options.markedLines);
}

TEST(CommandLine, StepsKeepTheirOrderAndEveryOptionLands)
{
    HostSimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--send", "A\\x1d\\r", "--port", "255", "--wait", "0.5", "--send-file", "f.txt",
                       "--script", "s.txt", "--answer", "--no-echo", "--prompt", "> \\x1d", "--marked-lines",
                       "--split", "1,2,300", "--split-pause", "0", "--rate", "0", "--exit-after", "9",
                       "--baud", "115200"},
                      options, error))
        << error;
    ASSERT_EQ(4u, options.actions.size());
    EXPECT_EQ(HostActionKind::Send, options.actions[0].kind);
    EXPECT_EQ("A\x1d\r", options.actions[0].text);
    EXPECT_EQ(HostActionKind::Wait, options.actions[1].kind);
    EXPECT_EQ(HostActionKind::SendFile, options.actions[2].kind);
    EXPECT_EQ("f.txt", options.actions[2].text);
    EXPECT_EQ(HostActionKind::Script, options.actions[3].kind);
    EXPECT_EQ("s.txt", options.actions[3].text);
    EXPECT_TRUE(options.answer);
    EXPECT_FALSE(options.echoLines);
    EXPECT_EQ("> \x1d", options.prompt);
    EXPECT_TRUE(options.markedLines);
    EXPECT_EQ((std::vector<unsigned long long>{1, 2, 300}), options.splitOffsets);
    EXPECT_EQ(0u, options.splitPauseMs);
    EXPECT_EQ(0u, options.bytesPerSecond);
    EXPECT_EQ(9, options.exitAfterSeconds);
    EXPECT_EQ(255u, options.port);
}

TEST(CommandLine, HelpNeedsNoPort)
{
    HostSimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--help"}, options, error));
    EXPECT_TRUE(options.help);
    EXPECT_NE(nullptr, std::strstr(HostSimUsage(), "--stream SECONDS"));
}

TEST(CommandLine, RejectsWhatItCannotUse)
{
    const std::vector<std::vector<const char *>> cases = {
        {},
        {"--baud", "9600"},
        {"--port"},
        {"--port", "0"},
        {"--port", "256"},
        {"--port", "-1"},
        {"--port", "2x"},
        {"--port", "99999999999999999999999"},
        {"--port", "1", "--frobnicate"},
        {"--port", "1", "extra"},
        {"--port", "1", "--baud", "0"},
        {"--port", "1", "--stream", "0"},
        {"--port", "1", "--stream", "-1"},
        {"--port", "1", "--stream", "1e3"},
        {"--port", "1", "--wait", "."},
        {"--port", "1", "--exit-after", "0"},
        {"--port", "1", "--send", "\\q"},
        {"--port", "1", "--send-file", ""},
        {"--port", "1", "--split", "0"},
        {"--port", "1", "--split", "5,5"},
        {"--port", "1", "--split", "5,3"},
        {"--port", "1", "--split", "1,"},
        {"--port", "1", "--split", ""},
        {"--port", "1", "--split-pause", "60001"},
        {"--port", "1", "--rate", "1000001"},
        {"--port", "1", "--record", ""},
        {"--port", "1", "--script", ""},
        {"--port", "1", "--prompt", "\\x1"},
    };
    for (const std::vector<const char *> &args : cases) {
        HostSimOptions options;
        std::string error;
        EXPECT_FALSE(Parse(args, options, error)) << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
}

TEST(Script, ParsesEveryStepAndSkipsCommentsAndBlankLines)
{
    const char script[] =
        "# greeting\r\n"
        "send ULACS> \\r\\n\r\n"
        "\r\n"
        "   \n"
        "answer on\n"
        "expect 5.5 STATUS now\n"
        "wait 0.25\n"
        "stream 2\n"
        "send-file C:\\data\\host reply.txt\n"
        "answer off";
    std::vector<HostAction> actions;
    std::string error;
    ASSERT_TRUE(ParseHostScript(script, actions, error)) << error;
    ASSERT_EQ(7u, actions.size());
    EXPECT_EQ(HostActionKind::Send, actions[0].kind);
    EXPECT_EQ("ULACS> \r\n", actions[0].text);
    EXPECT_EQ(HostActionKind::Answer, actions[1].kind);
    EXPECT_TRUE(actions[1].on);
    EXPECT_EQ(HostActionKind::Expect, actions[2].kind);
    EXPECT_EQ(5.5, actions[2].seconds);
    EXPECT_EQ("STATUS now", actions[2].text);
    EXPECT_EQ(HostActionKind::Wait, actions[3].kind);
    EXPECT_EQ(0.25, actions[3].seconds);
    EXPECT_EQ(HostActionKind::Stream, actions[4].kind);
    EXPECT_EQ(HostActionKind::SendFile, actions[5].kind);
    EXPECT_EQ("C:\\data\\host reply.txt", actions[5].text);
    EXPECT_EQ(HostActionKind::Answer, actions[6].kind);
    EXPECT_FALSE(actions[6].on);
}

TEST(Script, ErrorsNameTheLine)
{
    const std::pair<const char *, const char *> cases[] = {
        {"send a\nsned b\n", "script line 2: unknown step 'sned'"},
        {"\n\nanswer maybe", "script line 3: answer takes on or off"},
        {"expect 5", "script line 1: expect needs a time and a text"},
        {"expect soon TEXT", "script line 1: bad number of seconds"},
        {"script other.txt", "script line 1: unknown step 'script'"},
        {"stream", "script line 1: bad number of seconds"},
    };
    for (const auto &[script, message] : cases) {
        std::vector<HostAction> actions;
        std::string error;
        EXPECT_FALSE(ParseHostScript(script, actions, error)) << script;
        EXPECT_EQ(0u, error.rfind(message, 0)) << error;
    }
}

TEST(Pacing, HoldsTheRateAndStartsAfreshAfterAPause)
{
    LinePacer pacer;
    pacer.bytesPerSecond = 1000;
    EXPECT_EQ(20u, PacedSliceBytes(pacer));
    EXPECT_EQ(0, PacedWaitMs(pacer, 0));
    NotePacedBytes(pacer, 0, 100);  // the line is busy until 100 ms
    EXPECT_EQ(60, PacedWaitMs(pacer, 40));
    NotePacedBytes(pacer, 130, 20);  // woke 30 ms late: the debt is kept
    EXPECT_EQ(120, pacer.lineFreeAtMs);
    EXPECT_EQ(0, PacedWaitMs(pacer, 130));
    NotePacedBytes(pacer, 5000, 10);  // after a pause the line starts afresh
    EXPECT_EQ(5010, pacer.lineFreeAtMs);
}

TEST(Pacing, SlowAndUnpacedLines)
{
    LinePacer slow;
    slow.bytesPerSecond = 10;
    EXPECT_EQ(1u, PacedSliceBytes(slow));
    LinePacer unpaced;
    NotePacedBytes(unpaced, 0, 100000);
    EXPECT_EQ(0, PacedWaitMs(unpaced, 0));
}

}  // namespace
