// The text logic that needs no window. Built twice: into the bench's test
// program, and natively under the address and undefined-behaviour sanitizers.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/dialog_position.h"
#include "app/pane_geometry.h"
#include "app/window_title.h"
#include "ipc/send_command.h"
#include "serial/port_name.h"
#include "settings/module_paths.h"
#include "textflow/dbcs_text.h"
#include "textflow/line_feeds.h"
#include "textflow/log_backlog.h"
#include "textflow/log_file_name.h"
#include "textflow/send_part.h"
#include "tools/host_sim/text_escapes.h"

namespace {

// Code page 932; "\x95\x5C" (表) and "\x83\x5C" (ソ) end in a backslash, and
// the trail byte of "\x81\x81" is itself a lead-byte value.
bool IsSjisLead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

TEST(SendCommand, OnlyTheExactFormRunsAndItsTextReachesTheLastParenthesis)
{
    const std::pair<std::string, const char *> cases[] = {
        {"[Send(ABC)]", "ABC"}, {"[Send()]", ""}, {"[Send(a)(b)]", "a)(b"}, {"[Send(f(x))]", "f(x)"},
        {"[Send(])]", "]"}, {"[Send( x )]", " x "}, {"[Send(\x95\x5C)]", "\x95\x5C"},
        {"[send(x)]", nullptr}, {"[ Send(x)]", nullptr}, {"[Send (x)]", nullptr}, {"Send(x)", nullptr},
        {"[Send(x)", nullptr}, {"[Send(x)] ", nullptr}, {"[Send)x(]", nullptr}, {"[Send(x))", nullptr},
        {"[Sendd(x)]", nullptr}, {"[(x)]", nullptr}, {"[Send]", nullptr}, {"[Send(]", nullptr},
        {"[]", nullptr}, {"[", nullptr}, {"", nullptr},
    };
    for (const auto &[command, text] : cases) {
        SendCommandText found = {99, 99};
        bool isSend = FindSendCommandText(command.data(), command.size(), &found);
        EXPECT_EQ(text != nullptr, isSend) << command;
        if (isSend && text) {
            EXPECT_EQ(text, command.substr(found.offset, found.length)) << command;
        }
    }
}

TEST(CodePageText, LeadBytesAreHeldSplitAndCountedWhole)
{
    const std::tuple<std::string, std::string, char> held[] = {
        {"AB\x82", "AB", '\x82'}, {"\x82\xA0", "\x82\xA0", 0}, {"\x81\x81\x81", "\x81\x81", '\x81'},
        {"\x81\x81", "\x81\x81", 0}, {"A", "A", 0}, {"", "", 0},
    };
    for (auto [text, kept, lead] : held) {
        EXPECT_EQ(lead, TakeTrailingLeadByte(&text[0], IsSjisLead)) << kept;
        EXPECT_EQ(kept, text.c_str());
    }
    // Positions from a control that counts bytes, then one that counts characters.
    const std::tuple<std::string, size_t, size_t, size_t> positions[] = {
        {"A\x82\xA0" "B", 4, 3, 3}, {"ABC", 3, 9, 3}, {"A\x82\xA0" "B", 3, 2, 3},
        {"\x82\xA0\x82\xA2\r\n\x82\xA4", 5, 4, 6}, {"A\x82\xA0" "B", 3, 7, 4}, {"\x82\xA0" "A\x82", 3, 3, 4},
    };
    for (const auto &[text, units, position, offset] : positions)
        EXPECT_EQ(offset, EditPositionToByteOffset(text.c_str(), text.size(), units, position, IsSjisLead));
    std::string filter = "A|\x83\x7C|B||";
    SplitAtSeparators(&filter[0], '|', IsSjisLead);
    EXPECT_EQ(std::string("A\0\x83\x7C\0B\0\0", 8), filter);
    std::string feeds = "\nA\r\n\n\x95\nB\n";
    RemoveLineFeeds(&feeds[0]);
    EXPECT_STREQ("A\r\x95" "B", feeds.c_str());
}

// The caret, selections and the line end are tried on the real input line;
// what it cannot stage is a part reaching past a line that another program
// shortened while the send's box was open.
TEST(SendPart, APartPastTheLineIsCutWithinIt)
{
    char line[] = "AB";
    CutSendPart(line, 2, SendPart{1, 9});
    EXPECT_STREQ("A", line);
}

TEST(FilePaths, LogAndSettingsFollowTheExecutableAndNeverGetCut)
{
    char path[40] = "junk";
    EXPECT_TRUE(MakeLogFilePath("C:\\vrk\\", {2026, 12, 5}, "", path, sizeof path));
    EXPECT_STREQ("C:\\vrk\\261205.LOG", path);
    EXPECT_TRUE(MakeLogFilePath("C:\\vrk\\", {2000, 1, 1}, "_2", path, sizeof path));
    EXPECT_STREQ("C:\\vrk\\000101_2.LOG", path);
    EXPECT_FALSE(MakeLogFilePath("", {2026, 1, 2}, "", path, sizeof path));
    EXPECT_FALSE(MakeLogFilePath("C:\\vrk\\", {2026, 1, 2}, "", path, 17));
    EXPECT_STREQ("", path);
    // module path, name the file system reports, log directory, settings file
    const std::tuple<const char *, const char *, const char *, const char *> cases[] = {
        {"C:\\VRK\\VRK.exe", "Vrk.exe", "C:\\VRK\\", "C:\\VRK\\Vrk.ini"},
        {"C:\\a.b\\Term.v2.exe", nullptr, "C:\\a.b\\", "C:\\a.b\\Term.v2.ini"},
        {"C:\\d.d\\noext", nullptr, "C:\\d.d\\", "C:\\d.d\\noext.ini"},
        {"C:\\\x95\x5C\\\x95\x5C.exe", nullptr, "C:\\\x95\x5C\\", "C:\\\x95\x5C\\\x95\x5C.ini"},
        {"C:\\d\\VRK.exe", "AVeryLongStoredName.exe", "C:\\d\\", ""},
        {"C:\\a-long-directory\\x.exe", nullptr, "", ""},
    };
    for (const auto &[module, stored, directory, ini] : cases) {
        char out[20] = "junk";
        EXPECT_EQ(directory[0] != 0, MakeLogDirectory(module, IsSjisLead, out, sizeof out));
        EXPECT_STREQ(directory, out);
        EXPECT_EQ(ini[0] != 0, MakeIniPath(module, stored, IsSjisLead, out, sizeof out));
        EXPECT_STREQ(ini, out);
    }
}

// Log files by day of the month, on a disk with room for so many bytes more.
struct FakeDisk {
    std::map<int, std::string> files;
    std::size_t room = 0;
    LogBacklog *backlog = nullptr;
    ~FakeDisk() { FreeLogBacklog(&backlog); }
    void Append(int day, const std::string &text, std::size_t roomNow)
    {
        room = roomNow;
        const auto write = [](void *disk, const LogDate &date, const char *bytes, std::size_t length) {
            auto *self = static_cast<FakeDisk *>(disk);
            std::size_t taken = std::min(length, self->room);
            self->room -= taken;
            self->files[date.day].append(bytes, taken);
            return taken;
        };
        AppendToLog(&backlog, {2026, 12, day}, text.data(), text.size(), write, this);
    }
};

TEST(LogBacklog, WhatCannotBeWrittenWaitsInOrderForItsDayUpToALimitPastWhichTheLossIsNoted)
{
    const auto note = [](int lost) {
        return "\r\n[VRK] The log file could not be written; bytes lost here: " + std::to_string(lost) + "\r\n";
    };
    const std::string x(kLogBacklogLimit - 1, 'x');
    using Files = std::map<int, std::string>;
    const Files early = {{1, "ab"}, {2, "cd"}};
    // day, text, room on the disk; then the files, and whether text waits
    const std::tuple<int, std::string, std::size_t, Files, bool> steps[] = {
        {1, "a", SIZE_MAX, {{1, "a"}}, false}, {1, "b", 0, {{1, "a"}}, true}, {2, "cd", 2, {{1, "ab"}, {2, "c"}}, true},
        {2, "", 1, early, false},              {2, x, 0, early, true},        {2, "y", 0, early, true},
        {2, "z", 0, early, true},              {3, "zz", 0, early, true},     {3, "", 1, {{1, "ab"}, {2, "cdx"}}, true},
        {3, "v", 0, {{1, "ab"}, {2, "cdx"}}, true},
        {3, "w", SIZE_MAX, {{1, "ab"}, {2, "cd" + x + "y" + note(1)}, {3, note(2) + "vw"}}, false},
    };
    FakeDisk disk;
    for (const auto &[day, text, room, files, waits] : steps) {
        disk.Append(day, text, room);
        EXPECT_TRUE(files == disk.files) << day << text.substr(0, 3);
        EXPECT_EQ(waits, disk.backlog != nullptr) << day << text.substr(0, 3);
    }
    // A piece a day: past the sixteenth, losses are counted on the last.
    for (int day = 1; day <= 18; ++day)
        disk.Append(day, day <= 17 ? "d" : "", day <= 17 ? 0 : SIZE_MAX);
    EXPECT_EQ("cd" + x + "y" + note(1) + "d", disk.files[2]);
    EXPECT_EQ(std::string("d") + note(1), disk.files[16]);
}

TEST(WindowTitle, ShowsTheConnectionWithinItsBufferAndNeverSplitsACharacter)
{
    const std::string longName(300, 'x');
    const TitleParts open = {false, true, 1, 9600, true, "VRK", IsSjisLead};
    const std::tuple<TitleParts, size_t, std::string> cases[] = {
        {{false, true, 1, 9600, true, longName.c_str(), IsSjisLead}, 256, "COM1 9600 - VRK (" + std::string(238, 'x')},
        {open, 6, "COM1 "},
    };
    for (const auto &[parts, size, expected] : cases) {
        std::string buffer(size + 8, '#');
        FormatWindowTitle(&buffer[0], size, parts);
        EXPECT_EQ(std::string(8, '#'), buffer.substr(size)) << "written past the buffer";
        EXPECT_EQ(expected, buffer.c_str());
    }
    // "VRK (" is five bytes: a cut at 255 falls between characters, one byte
    // later it would fall inside one.
    for (const auto &[prefix, character, length] :
         {std::tuple("", "\x81\x81", 255u), std::tuple("a", "\x81\x81", 254u)}) {
        std::string name = prefix;
        while (name.size() < 300)
            name += character;
        char title[256];
        FormatWindowTitle(title, sizeof title, {false, false, 0, 0, true, name.c_str(), IsSjisLead});
        EXPECT_EQ(length, std::string(title).size()) << prefix << character;
    }
}

// What the real windows cannot stage: a font height read back without a
// device context, and dialogs over owners at the screen's edges.
TEST(PaneGeometry, WithoutMetricsTheFontGetsAFifthMoreAndDialogsStayOnTheScreen)
{
    EXPECT_EQ(19, InputHeightFromFontHeight(-16));
    EXPECT_EQ(19, InputHeightFromFontHeight(16));
    EXPECT_LT(0, InputHeightFromFontHeight(-2147483647L - 1));
    // Owners off the left edge and at the right one; a dialog wider than the screen.
    EXPECT_EQ(0, CentredDialogStart(-600, 100, 200, 1280));
    EXPECT_EQ(1080, CentredDialogStart(1100, 1400, 200, 1280));
    EXPECT_EQ(0, CentredDialogStart(0, 100, 2000, 1280));
}

// Every index a settings file can hold names a port, without overflow.
TEST(PortName, EveryStoredIndexNamesADevice)
{
    char device[32];
    MakePortDeviceName(2147483647, device, sizeof device);
    EXPECT_STREQ("\\\\.\\COM2147483648", device);
    MakePortDeviceName(-2147483647 - 1, device, sizeof device);
    EXPECT_STREQ("\\\\.\\COM-2147483647", device);
    EXPECT_EQ(12, PortNumber(11));
}

TEST(HostSimulator, EscapesDecodeToTheBytesMeantAndUnknownOnesAreRefused)
{
    for (const auto &[text, bytes] : {std::pair<std::string, std::string>{"A\\rB\\n\\t\\\\", "A\rB\n\t\\"},
                                      {"\\x1d\\x82\\xa0", "\x1d\x82\xa0"}, {"\x83\x5C\\r", "\x83\x5C\r"}}) {
        std::string out, error;
        EXPECT_TRUE(DecodeEscapes(text, out, error)) << error;
        EXPECT_EQ(bytes, out);
    }
    for (const char *bad : {"\\q", "abc\\", "\\x4", "\\xZZ"}) {
        std::string out, error;
        EXPECT_FALSE(DecodeEscapes(bad, out, error)) << bad;
    }
}

}  // namespace
