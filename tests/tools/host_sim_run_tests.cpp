// host_sim.exe run for real on the far side of a bench cable, read at the
// terminal's side.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/bench_ports.h"
#include "tests/support/build_files.h"
#include "tests/support/far_end.h"

namespace {

const int kTerminalPort = kCablePorts[0];
const std::string kFarPortArgument = "--port " + std::to_string(FarPortOf(kTerminalPort));

struct Outcome {
    DWORD exitCode;
    std::string output;  // what it printed, both streams, with CR LF line ends
};

// One run of the simulator in a directory of its own, with its console
// output caught in a file there.
class HostSimRun {
public:
    HostSimRun() : directory_(MakeTemporaryDirectory("hostsim")), process_() {}

    bool Start(const std::string &arguments)
    {
        SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
        HANDLE output = CreateFileA(PathOf("output.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                    CREATE_ALWAYS, 0, NULL);
        if (output == INVALID_HANDLE_VALUE)
            return false;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
        const std::string exe = VrkBuildFile("host_sim.exe");
        std::string commandLine = "\"" + exe + "\" " + arguments;
        const BOOL started = CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, TRUE, 0, NULL,
                                            directory_.c_str(), &startup, &process_);
        CloseHandle(output);
        return started != FALSE;
    }
    ~HostSimRun()
    {
        if (process_.hProcess) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        RemoveDirectoryTree(directory_);
    }
    HostSimRun(const HostSimRun &) = delete;
    HostSimRun &operator=(const HostSimRun &) = delete;

    std::string PathOf(const char *name) const { return directory_ + "\\" + name; }

    Outcome WaitForEnd(DWORD timeoutMs = 10000)
    {
        Outcome outcome = {STILL_ACTIVE, ""};
        if (process_.hProcess && WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(process_.hProcess, &outcome.exitCode);
        outcome.output = ReadWholeFile(PathOf("output.txt"));
        return outcome;
    }

private:
    std::string directory_;
    PROCESS_INFORMATION process_;
};

class HostSimOnCable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(terminalSide.IsOpen());
        terminalSide.Discard();
    }
    FarEnd terminalSide{kTerminalPort, 9600};
};

const char kPrompt[] = "ULACS> ";

TEST_F(HostSimOnCable, AnswersEachLineWithEchoReplyAndPrompt)
{
    HostSimRun run;
    ASSERT_TRUE(run.Start(kFarPortArgument + " --baud 9600 --exit-after 3"));
    EXPECT_EQ(kPrompt, terminalSide.Read(7, 5000));
    // A line may come in pieces, and line feeds are no part of it.
    ASSERT_TRUE(terminalSide.Write("sta"));
    Sleep(100);
    ASSERT_TRUE(terminalSide.Write("tus\n\recho \x83\x5c\r"));
    const std::string expected =
        "status\r\nULACS\x82\xcd\x90\xb3\x8f\xed\x82\xc9\x89\xd2\x93\xad\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7"
        "\x81\x42\r\nULACS> echo \x83\x5c\r\n\x83\x5c\r\nULACS> ";
    EXPECT_EQ(expected, terminalSide.Read(expected.size(), 5000));
    const Outcome outcome = run.WaitForEnd();
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ("sent " + std::to_string(7 + expected.size()) + " bytes\r\n", outcome.output);
}

TEST_F(HostSimOnCable, StreamArrivesWholeAndMatchesTheRecordAndTheCount)
{
    HostSimRun run;
    ASSERT_TRUE(run.Start(kFarPortArgument + " --baud 9600 --stream 1 --marked-lines --record stream.bin"));
    std::string received = terminalSide.Read(1, 5000);
    received += terminalSide.ReadUntilQuiet(1000, 8000);
    const Outcome outcome = run.WaitForEnd();
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ("sent " + std::to_string(received.size()) + " bytes\r\n", outcome.output);
    EXPECT_EQ(ReadWholeFile(run.PathOf("stream.bin")), received);
    // One second at 960 bytes a second, ended on a whole line.
    EXPECT_GE(received.size(), 900u);
    EXPECT_LE(received.size(), 1100u);
    EXPECT_EQ(0u, received.rfind("000000 ", 0));
    EXPECT_EQ('\n', received.back());
}

TEST_F(HostSimOnCable, SplitHoldsBackTheRestOfAWriteAtTheGivenOffset)
{
    // The offset falls between the two bytes of a Shift-JIS character.
    HostSimRun run;
    ASSERT_TRUE(run.Start(kFarPortArgument + " --rate 0 --send AB\\x82\\xa0\\r --split 3 --split-pause 800"));
    EXPECT_EQ("AB\x82", terminalSide.Read(3, 5000));
    EXPECT_EQ("", terminalSide.Read(1, 400));
    EXPECT_EQ("\xa0\r", terminalSide.Read(2, 3000));
    EXPECT_EQ(0u, run.WaitForEnd().exitCode);
}

TEST_F(HostSimOnCable, ScriptTextIsSentAsShiftJisAndAnUnmetExpectFailsTheRun)
{
    HostSimRun run;
    ASSERT_TRUE(WriteWholeFile(run.PathOf("script.txt"),
                               "\xef\xbb\xbf# UTF-8 with a byte-order mark\r\n"
                               "send 日本語 ソ\\r\\n\r\n"
                               "expect 0.3 never sent\r\n"
                               "send not reached\r\n"));
    ASSERT_TRUE(run.Start(kFarPortArgument + " --rate 0 --script script.txt"));
    const Outcome outcome = run.WaitForEnd();
    EXPECT_EQ("\x93\xfa\x96\x7b\x8c\xea \x83\x5c\r\n", terminalSide.ReadUntilQuiet(300, 3000));
    EXPECT_EQ(1u, outcome.exitCode);
    EXPECT_NE(std::string::npos, outcome.output.find("expected text not received")) << outcome.output;
}

TEST_F(HostSimOnCable, ScriptWaitsForTheTerminalAndAnswersMeanwhile)
{
    HostSimRun run;
    ASSERT_TRUE(
        WriteWholeFile(run.PathOf("script.txt"), "answer on\nsend ready\\r\\n\nexpect 5 undo ABC\nsend bye\n"));
    ASSERT_TRUE(run.Start(kFarPortArgument + " --rate 0 --no-echo --script script.txt"));
    ASSERT_EQ("ready\r\n", terminalSide.Read(7, 5000));
    ASSERT_TRUE(terminalSide.Write("undo ABC\r"));
    const std::string expected = "\x1d" "ABC\r\nUNDO\x8d\x73\x82\xf0\x91\x97\x82\xe8\x82\xdc\x82\xb5\x82\xbd\x81\x42\r\n"
                                 "ULACS> bye";
    EXPECT_EQ(expected, terminalSide.Read(expected.size(), 5000));
    EXPECT_EQ(0u, run.WaitForEnd().exitCode);
}

TEST(HostSimFailures, ExitStatusTellsBadArgumentsFromAPortThatCannotOpen)
{
    HostSimRun badArguments;
    HostSimRun noDevice;
    ASSERT_TRUE(badArguments.Start("--port 21 --split 0"));
    ASSERT_TRUE(noDevice.Start("--port " + std::to_string(kPortWithoutDevice) + " --send x"));
    const Outcome bad = badArguments.WaitForEnd();
    EXPECT_EQ(2u, bad.exitCode);
    EXPECT_NE(std::string::npos, bad.output.find("--split")) << bad.output;
    const Outcome failed = noDevice.WaitForEnd();
    EXPECT_EQ(1u, failed.exitCode);
    const std::string port = "COM" + std::to_string(kPortWithoutDevice);
    EXPECT_EQ(0u, failed.output.find("host_sim: cannot open " + port + ": CreateFile failed")) << failed.output;
}

}  // namespace
