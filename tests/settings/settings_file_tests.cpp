#include <gtest/gtest.h>

#include <string>

#include "core/terminal_state.h"
#include "ipc/dde_server.h"
#include "settings/settings_file.h"
#include "tests/support/build_files.h"

namespace {

// A record with the built-in defaults that window creation sets before it
// reads the file.
class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        directory_ = MakeTemporaryDirectory("vrk-settings");
        state_ = {};
        state_.portIndex = 0;
        state_.baudRate = 1200;
        state_.writeLog = 1;
        InitDdeServer(&state_.ddeServer, NULL, "VRK");
        lstrcpynA(state_.iniPath, (directory_ + "\\VRK.ini").c_str(), sizeof state_.iniPath);
    }
    void TearDown() override { RemoveDirectoryTree(directory_); }

    void WriteIni(const std::string &text) { WriteWholeFile(state_.iniPath, text); }
    std::string ReadIni() const { return ReadWholeFile(state_.iniPath); }

    std::string directory_;
    TerminalState state_;
};

TEST_F(SettingsFile, NoFileGivesTheDefaultsAndSavesEveryKeyButShiftLockInOrder)
{
    LoadSettings(&state_);
    EXPECT_EQ(0, state_.portIndex);
    EXPECT_EQ(1200, state_.baudRate);
    EXPECT_EQ(1, state_.writeLog);
    EXPECT_EQ(0, state_.localEcho);
    EXPECT_EQ(0, state_.shiftLock);
    EXPECT_EQ(1, state_.ddeEnabled);
    EXPECT_STREQ("VRK", state_.ddeServer.serviceName);

    SaveSettings(&state_);
    EXPECT_EQ("[VRK]\r\nVersion=2.0(32)\r\nCommPort=0\r\nBaudRate=1200\r\nDdeServiceName=VRK\r\n"
              "LocalEcho=0\r\nWriteLog=1\r\nImsApi=0\r\nEnableUndo=0\r\n",
              ReadIni());
}

TEST_F(SettingsFile, HandWrittenValuesAreReadAsTheyStand)
{
    WriteIni("[VRK]\r\nCommPort=11\r\nBaudRate=12345\r\nShiftLock=1\r\nDdeServiceName=Ulacs2\r\n"
             "LocalEcho=7\r\nWriteLog=0\r\nImsApi=1\r\nEnableUndo=1\r\n");
    LoadSettings(&state_);
    EXPECT_EQ(11, state_.portIndex);
    EXPECT_EQ(12345, state_.baudRate);
    EXPECT_EQ(1, state_.shiftLock);
    EXPECT_STREQ("Ulacs2", state_.ddeServer.serviceName);
    EXPECT_EQ(1, state_.ddeEnabled);
    EXPECT_EQ(7, state_.localEcho) << "any non-zero value means on";
    EXPECT_EQ(0, state_.writeLog);
    EXPECT_EQ(1, state_.imsEnabled);
    EXPECT_EQ(1, state_.enableUndo);
}

TEST_F(SettingsFile, ShiftLockSurvivesEverySaveBecauseItIsNeverWritten)
{
    WriteIni("[VRK]\r\nShiftLock=1\r\n");
    LoadSettings(&state_);
    SaveSettings(&state_);
    SaveSettings(&state_);
    std::string ini = ReadIni();
    EXPECT_NE(std::string::npos, ini.find("ShiftLock=1"));
    TerminalState again = state_;
    again.shiftLock = 0;
    LoadSettings(&again);
    EXPECT_EQ(1, again.shiftLock);
}

TEST_F(SettingsFile, AnEmptyServiceNameSwitchesDdeOffAndStaysEmpty)
{
    WriteIni("[VRK]\r\nDdeServiceName=\r\n");
    LoadSettings(&state_);
    EXPECT_EQ(0, state_.ddeEnabled);
    EXPECT_STREQ("", state_.ddeServer.serviceName);
    SaveSettings(&state_);
    EXPECT_NE(std::string::npos, ReadIni().find("DdeServiceName=\r\n"));
}

TEST_F(SettingsFile, AServiceSwitchedOffForTheRunKeepsTheConfiguredName)
{
    WriteIni("[VRK]\r\nDdeServiceName=Ulacs2\r\n");
    LoadSettings(&state_);
    state_.ddeEnabled = 0;  // another server of that name was found
    SaveSettings(&state_);
    EXPECT_NE(std::string::npos, ReadIni().find("DdeServiceName=Ulacs2\r\n"));
}

TEST_F(SettingsFile, LongServiceNamesAreBoundedByTheNameBuffer)
{
    const std::string longest(259, 'S');
    WriteIni("[VRK]\r\nDdeServiceName=" + longest + "\r\n");
    LoadSettings(&state_);
    EXPECT_EQ(longest, state_.ddeServer.serviceName);
    SaveSettings(&state_);
    EXPECT_NE(std::string::npos, ReadIni().find("DdeServiceName=" + longest + "\r\n"));

    WriteIni("[VRK]\r\nDdeServiceName=" + std::string(400, 'T') + "\r\n");
    LoadSettings(&state_);
    EXPECT_EQ(std::string(259, 'T'), state_.ddeServer.serviceName);
}

TEST_F(SettingsFile, UnreadableOrUnwritableFilesLeaveTheDefaults)
{
    // A directory where the file should be: nothing can be read or written.
    CreateDirectoryA(state_.iniPath, NULL);
    LoadSettings(&state_);
    EXPECT_EQ(0, state_.portIndex);
    EXPECT_EQ(1200, state_.baudRate);
    EXPECT_EQ(1, state_.ddeEnabled);
    SaveSettings(&state_);
    RemoveDirectoryA(state_.iniPath);

    WriteIni("[VRK]\r\nCommPort=abc\r\nBaudRate=\r\n");
    LoadSettings(&state_);
    EXPECT_EQ(0, state_.portIndex);
    EXPECT_EQ(1200, state_.baudRate) << "an empty value keeps the default";
}

}  // namespace
