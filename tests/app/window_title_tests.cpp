#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/commands.h"
#include "app/window_title.h"
#include "resources/resource_ids.h"
#include "serial/serial_port.h"
#include "tests/app/ui_driving.h"
#include "tests/support/terminal_under_test.h"
#include "tests/support/windows_of_process.h"

namespace {

bool IsShiftJisLead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string Format(const TitleParts &parts, size_t size = 256)
{
    std::string buffer(size, '\0');
    FormatWindowTitle(&buffer[0], size, parts);
    return buffer.c_str();
}

TEST(WindowTitle, ShowsTheConnectionAndTheService)
{
    struct Case {
        TitleParts parts;
        const char *expected;
    } cases[] = {
        {{false, 0, 0, false, "VRK", nullptr}, "VRK"},
        {{false, 0, 0, true, "VRK", nullptr}, "VRK (VRK)"},
        {{true, 1, 9600, true, "VRK", nullptr}, "COM1 9600 - VRK (VRK)"},
        {{true, 12, 300, false, "VRK", nullptr}, "COM12 300 - VRK"},
        {{false, 0, 0, true, "\x83\x65\x83\x58\x83\x67", IsShiftJisLead}, "VRK (\x83\x65\x83\x58\x83\x67)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.expected, Format(c.parts));
    }
}

// Bytes past the end of the buffer the title is given must stay untouched.
TEST(WindowTitle, AServiceNameTooLongForTheBufferIsCutInsideIt)
{
    const std::string name(300, 'x');
    for (bool portOpen : {false, true}) {
        SCOPED_TRACE(portOpen);
        char buffer[256 + 16];
        std::memset(buffer, '#', sizeof buffer);
        FormatWindowTitle(buffer, 256, {portOpen, 1, 9600, true, name.c_str(), IsShiftJisLead});
        std::string title = buffer;
        EXPECT_EQ(255u, title.size());
        EXPECT_EQ(portOpen ? "COM1 9600 - VRK (xxx" : "VRK (xxx", title.substr(0, portOpen ? 20 : 8));
        EXPECT_EQ(std::string(16, '#'), std::string(buffer + 256, 16));
    }
}

// "\x81\x81" is one character whose trail byte is also a lead-byte value:
// only a scan from the start tells whether the last byte begins a character.
TEST(WindowTitle, TheCutNeverSplitsADoubleByteCharacter)
{
    struct Case {
        const char *prefix;
        const char *character;
        size_t expectedLength;
    } cases[] = {
        {"", "\x82\xA0", 255},    // "VRK (" is 5 bytes: the cut falls between characters
        {"a", "\x82\xA0", 254},   // one byte later it would fall inside one
        {"", "\x81\x81", 255},
        {"a", "\x81\x81", 254},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.prefix) + "|" + c.character);
        std::string name = c.prefix;
        while (name.size() < 300)
            name += c.character;
        std::string title = Format({false, 0, 0, true, name.c_str(), IsShiftJisLead});
        EXPECT_EQ(c.expectedLength, title.size());
        EXPECT_EQ(0u, (title.size() - 5 - std::strlen(c.prefix)) % 2);
    }
}

TEST(WindowTitle, TinyBuffersStayTerminated)
{
    EXPECT_EQ("", Format({true, 1, 9600, true, "VRK", nullptr}, 1));
    EXPECT_EQ("COM1 ", Format({true, 1, 9600, true, "VRK", nullptr}, 6));
    EXPECT_EQ("VR", Format({false, 0, 0, false, "VRK", nullptr}, 3));
    char untouched = '#';
    FormatWindowTitle(&untouched, 0, {false, 0, 0, false, "VRK", nullptr});
    EXPECT_EQ('#', untouched);
}

class TitleOfTheWindow : public ShownTerminal {};

TEST_F(TitleOfTheWindow, FollowsThePortAndLosesItWhenConnectStarts)
{
    TerminalState *state = State();
    std::strcpy(state->ddeServer.serviceName, "ULACS2");
    state->ddeEnabled = 1;
    state->baudRate = 9600;
    RefreshTitle(Window());
    EXPECT_EQ("VRK (ULACS2)", WindowTextA(Window()));

    ASSERT_TRUE(terminal.OpenPortQuietly(1));
    SendCommand(Window(), IDM_LOCAL_ECHO);
    EXPECT_EQ("COM1 9600 - VRK (ULACS2)", WindowTextA(Window()));

    std::wstring titleDuringConnect;
    ASSERT_TRUE(WithDialog(kPortDialogTitle, [&] { SendCommand(Window(), IDM_CONNECT); },
                           [&](HWND dialog) {
                               titleDuringConnect = WindowTextOf(Window());
                               PressDialogButton(dialog, IDCANCEL);
                           }));
    EXPECT_EQ(L"VRK (ULACS2)", titleDuringConnect);
    EXPECT_FALSE(IsPortOpen(Window()));
    EXPECT_EQ("VRK (ULACS2)", WindowTextA(Window()));
}

TEST(TitleOfTheProgram, ShowsTheConnectionOnceConnected)
{
    TerminalUnderTest terminal("[VRK]\r\nDdeServiceName=VRK\r\nCommPort=0\r\nBaudRate=9600\r\n");
    ASSERT_TRUE(terminal.Start());
    EXPECT_FALSE(terminal.Connect().empty());
    EXPECT_EQ(L"COM1 9600 - VRK (VRK)", terminal.WaitForTitle(L"COM1 9600 - VRK (VRK)"));
    EXPECT_TRUE(terminal.Close());
}

}  // namespace
