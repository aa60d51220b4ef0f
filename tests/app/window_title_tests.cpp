#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "app/commands.h"
#include "app/window_title.h"
#include "resources/resource_ids.h"
#include "serial/serial_port.h"
#include "tests/app/ui_driving.h"
#include "tests/support/terminal_under_test.h"
#include "tests/support/windows_of_process.h"

namespace {

// Formats into a buffer of `size` bytes followed by guard bytes, which must
// stay untouched.
std::string Format(const TitleParts &parts, size_t size = 256)
{
    std::string buffer(size + 16, '#');
    FormatWindowTitle(&buffer[0], size, parts);
    EXPECT_EQ(std::string(16, '#'), buffer.substr(size)) << "written past the buffer";
    return buffer.substr(0, buffer.find('\0'));
}

TEST(WindowTitle, ShowsTheConnectionAndTheServiceWithinTheBuffer)
{
    const TitleParts connected = {true, 1, 9600, true, "VRK", nullptr};
    const std::string longName(300, 'x');
    const std::tuple<TitleParts, size_t, std::string> cases[] = {
        {{false, 0, 0, false, "VRK", nullptr}, 256, "VRK"},
        {{false, 0, 0, true, "VRK", nullptr}, 256, "VRK (VRK)"},
        {connected, 256, "COM1 9600 - VRK (VRK)"},
        {{true, 12, 300, false, "VRK", nullptr}, 256, "COM12 300 - VRK"},
        {{false, 0, 0, true, "\x83\x65\x83\x58\x83\x67", IsCodePageLeadByte}, 256, "VRK (\x83\x65\x83\x58\x83\x67)"},
        // A service name too long for the buffer is cut inside it.
        {{false, 0, 0, true, longName.c_str(), IsCodePageLeadByte}, 256, "VRK (" + std::string(250, 'x')},
        {{true, 1, 9600, true, longName.c_str(), nullptr}, 256, "COM1 9600 - VRK (" + std::string(238, 'x')},
        {connected, 6, "COM1 "},
        {connected, 1, ""},
    };
    for (const auto &[parts, size, expected] : cases)
        EXPECT_EQ(expected, Format(parts, size)) << "buffer of " << size;
    Format(connected, 0);  // nothing to write into, not even the terminator
}

// "\x81\x81" is one character whose trail byte is also a lead-byte value:
// only a scan from the start tells whether the last byte begins a character.
TEST(WindowTitle, TheCutNeverSplitsADoubleByteCharacter)
{
    const std::tuple<const char *, const char *, size_t> cases[] = {
        // prefix, repeated character, length of the cut title
        {"", "\x82\xA0", 255},   // "VRK (" is 5 bytes: the cut falls between characters
        {"a", "\x82\xA0", 254},  // one byte later it would fall inside one
        {"", "\x81\x81", 255},
        {"a", "\x81\x81", 254},
    };
    for (const auto &[prefix, character, expectedLength] : cases) {
        std::string name = prefix;
        while (name.size() < 300)
            name += character;
        EXPECT_EQ(expectedLength, Format({false, 0, 0, true, name.c_str(), IsCodePageLeadByte}).size())
            << prefix << "|" << character;
    }
}

class TitleOfTheWindow : public ShownTerminal {};

TEST_F(TitleOfTheWindow, FollowsThePortAndLosesItWhenConnectStarts)
{
    TerminalState *state = State();
    std::strcpy(state->ddeServer.serviceName, "ULACS2");
    state->ddeEnabled = 1;
    state->baudRate = 9600;
    RefreshTitle(Window());
    EXPECT_EQ(L"VRK (ULACS2)", WindowTextOf(Window()));

    ASSERT_TRUE(terminal.OpenPortQuietly(1));
    SendCommand(Window(), IDM_LOCAL_ECHO);
    EXPECT_EQ(L"COM1 9600 - VRK (ULACS2)", WindowTextOf(Window()));

    std::wstring titleDuringConnect;
    ASSERT_TRUE(WithDialog(kPortDialogTitle, [&] { SendCommand(Window(), IDM_CONNECT); },
                           [&](HWND dialog) {
                               titleDuringConnect = WindowTextOf(Window());
                               PressDialogButton(dialog, IDCANCEL);
                           }));
    EXPECT_EQ(L"VRK (ULACS2)", titleDuringConnect);
    EXPECT_FALSE(IsPortOpen(Window()));
    EXPECT_EQ(L"VRK (ULACS2)", WindowTextOf(Window()));
}

}  // namespace
