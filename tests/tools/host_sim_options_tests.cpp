// The host simulator's command line and output pacing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/host_sim_options.h"
#include "tools/line_pacer.h"

namespace {

bool Parse(std::vector<const char *> args, HostSimOptions &options, std::string &error)
{
    args.insert(args.begin(), "host_sim");
    return ParseHostSimArgs(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(CommandLine, WithoutStepsTheRunAnswersAndStepsEndItAtTheLineRate)
{
    HostSimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--port", "21"}, options, error)) << error;
    EXPECT_EQ(120u, options.bytesPerSecond);  // 1200 baud, 8N1
    EXPECT_TRUE(options.answer);
    EXPECT_TRUE(options.echoLines);

    ASSERT_TRUE(Parse({"--port", "21", "--baud", "9600", "--stream", "2.5", "--record", "C:\\o.bin"}, options, error));
    EXPECT_EQ(960u, options.bytesPerSecond);
    EXPECT_FALSE(options.answer);
    ASSERT_EQ(1u, options.steps.size());
    EXPECT_EQ(HostStepKind::Stream, options.steps[0].kind);
    EXPECT_EQ(2.5, options.steps[0].seconds);
    EXPECT_EQ("C:\\o.bin", options.recordPath);

    ASSERT_TRUE(Parse({"--help"}, options, error));
    EXPECT_TRUE(options.help);
}

TEST(CommandLine, StepsKeepTheirOrderAndEveryOptionLands)
{
    HostSimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--send", "A\\x1d\\r", "--port", "255", "--wait", "0.5", "--send-file", "f.txt", "--answer",
                       "--no-echo", "--marked-lines", "--split", "1,2,300", "--split-pause", "0", "--rate", "0",
                       "--exit-after", "9", "--baud", "115200"},
                      options, error))
        << error;
    ASSERT_EQ(3u, options.steps.size());
    EXPECT_EQ("A\x1d\r", options.steps[0].text);
    EXPECT_EQ(HostStepKind::Wait, options.steps[1].kind);
    EXPECT_EQ(HostStepKind::SendFile, options.steps[2].kind);
    EXPECT_EQ("f.txt", options.steps[2].text);
    EXPECT_TRUE(options.answer);
    EXPECT_FALSE(options.echoLines);
    EXPECT_TRUE(options.markedLines);
    EXPECT_EQ((std::vector<unsigned long long>{1, 2, 300}), options.splitOffsets);
    EXPECT_EQ(0u, options.splitPauseMs);
    EXPECT_EQ(0u, options.bytesPerSecond);
    EXPECT_EQ(9, options.exitAfterSeconds);
    EXPECT_EQ(255u, options.port);
}

TEST(CommandLine, RejectsWhatItCannotUse)
{
    const std::vector<std::vector<const char *>> cases = {
        {}, {"--baud", "9600"}, {"--port"}, {"--port", "0"}, {"--port", "256"}, {"--port", "2x"},
        {"--port", "99999999999999999999999"}, {"--port", "1", "--frobnicate"}, {"--port", "1", "extra"},
        {"--port", "1", "--baud", "0"}, {"--port", "1", "--rate", "1000001"}, {"--port", "1", "--stream", "0"},
        {"--port", "1", "--stream", "1e3"}, {"--port", "1", "--wait", "."}, {"--port", "1", "--exit-after", "0"},
        {"--port", "1", "--send", "\\q"}, {"--port", "1", "--send-file", ""}, {"--port", "1", "--record", ""},
        {"--port", "1", "--split", "0"}, {"--port", "1", "--split", "5,5"}, {"--port", "1", "--split", "5,3"},
        {"--port", "1", "--split", "1,"}, {"--port", "1", "--split-pause", "60001"},
    };
    for (const std::vector<const char *> &args : cases) {
        HostSimOptions options;
        std::string error;
        EXPECT_FALSE(Parse(args, options, error)) << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
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
    NotePacedBytes(pacer, 5000, 10);  // after a pause the line starts afresh
    EXPECT_EQ(5010, pacer.lineFreeAtMs);

    pacer.bytesPerSecond = 10;
    EXPECT_EQ(1u, PacedSliceBytes(pacer));
    LinePacer unpaced;
    NotePacedBytes(unpaced, 0, 100000);
    EXPECT_EQ(0, PacedWaitMs(unpaced, 0));
}

}  // namespace
