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

// One run of the simulator in a directory of its own, with its console
// output caught in a file there.
class HostSimRun {
public:
    HostSimRun() : directory_(MakeTemporaryDirectory("hostsim")), process_() {}
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
        startup.hStdOutput = startup.hStdError = output;
        const std::string exe = VrkBuildFile("host_sim.exe");
        std::string commandLine = "\"" + exe + "\" " + arguments;
        const BOOL started = CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, TRUE, 0, NULL,
                                            directory_.c_str(), &startup, &process_);
        CloseHandle(output);
        return started != FALSE;
    }

    // The exit code, or STILL_ACTIVE when the run does not end in time.
    DWORD WaitForEnd()
    {
        DWORD exitCode = STILL_ACTIVE;
        if (WaitForSingleObject(process_.hProcess, 10000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process_.hProcess, &exitCode);
        return exitCode;
    }
    // What it printed, both streams, with CR LF line ends.
    std::string Output() const { return ReadWholeFile(PathOf("output.txt")); }

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
    HostSimRun run;
};

TEST_F(HostSimOnCable, AnswersEachLineWithEchoReplyAndPrompt)
{
    ASSERT_TRUE(run.Start(kFarPortArgument + " --baud 9600 --exit-after 3"));
    EXPECT_EQ("ULACS> ", terminalSide.Read(7, 5000));
    // A line may come in pieces, and line feeds are no part of it.
    ASSERT_TRUE(terminalSide.Write("sta"));
    Sleep(100);
    ASSERT_TRUE(terminalSide.Write("tus\n\recho \x83\x5c\r"));
    const std::string expected =
        "status\r\nULACS\x82\xcd\x90\xb3\x8f\xed\x82\xc9\x89\xd2\x93\xad\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7"
        "\x81\x42\r\nULACS> echo \x83\x5c\r\n\x83\x5c\r\nULACS> ";
    EXPECT_EQ(expected, terminalSide.Read(expected.size(), 5000));
    EXPECT_EQ(0u, run.WaitForEnd());
    EXPECT_EQ("sent " + std::to_string(7 + expected.size()) + " bytes\r\n", run.Output());
}

TEST_F(HostSimOnCable, StreamArrivesWholeAndMatchesTheRecordAndTheCount)
{
    ASSERT_TRUE(run.Start(kFarPortArgument + " --baud 9600 --stream 1 --marked-lines --record stream.bin"));
    std::string received = terminalSide.Read(1, 5000);
    received += terminalSide.ReadUntilQuiet(1000, 8000);
    EXPECT_EQ(0u, run.WaitForEnd());
    EXPECT_EQ("sent " + std::to_string(received.size()) + " bytes\r\n", run.Output());
    EXPECT_EQ(ReadWholeFile(run.PathOf("stream.bin")), received);
    // One second at 960 bytes a second, ended on a whole line.
    EXPECT_GE(received.size(), 900u);
    EXPECT_LE(received.size(), 1100u);
    EXPECT_EQ(0u, received.rfind("000000 ", 0));
    EXPECT_EQ('\n', received.back());
}

TEST_F(HostSimOnCable, SplitOffsetsCountOverTheWholeRunAndHoldBackTheRest)
{
    // The offset falls between the two bytes of a Shift-JIS character that
    // starts in the text sent and ends in the file sent after it.
    ASSERT_TRUE(WriteWholeFile(run.PathOf("tail.bin"), "\xa0\r"));
    ASSERT_TRUE(run.Start(kFarPortArgument + " --rate 0 --send AB\\x82 --send-file tail.bin --split 3 "
                                             "--split-pause 800"));
    EXPECT_EQ("AB\x82", terminalSide.Read(3, 5000));
    EXPECT_EQ("", terminalSide.Read(1, 400));
    EXPECT_EQ("\xa0\r", terminalSide.Read(2, 3000));
    EXPECT_EQ(0u, run.WaitForEnd());
}

TEST(HostSimFailures, ExitStatusTellsBadArgumentsFromAPortThatCannotOpen)
{
    HostSimRun badArguments;
    HostSimRun noDevice;
    ASSERT_TRUE(badArguments.Start("--port 21 --split 0"));
    ASSERT_TRUE(noDevice.Start("--port " + std::to_string(kPortWithoutDevice) + " --send x"));
    EXPECT_EQ(2u, badArguments.WaitForEnd());
    EXPECT_NE(std::string::npos, badArguments.Output().find("--split")) << badArguments.Output();
    EXPECT_EQ(1u, noDevice.WaitForEnd());
    const std::string expected = "host_sim: cannot open COM" + std::to_string(kPortWithoutDevice) + ": CreateFile";
    EXPECT_EQ(0u, noDevice.Output().find(expected)) << noDevice.Output();
}

}  // namespace
