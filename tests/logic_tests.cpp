// The text logic that needs no window. Built twice: into the bench's test
// program, and natively under the address and undefined-behaviour sanitizers.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/command_line.h"
#include "app/dialog_position.h"
#include "app/pane_geometry.h"
#include "app/window_title.h"
#include "core/dbcs_text.h"
#include "ipc/send_command.h"
#include "serial/port_name.h"
#include "settings/ini_encoding.h"
#include "settings/ini_text.h"
#include "settings/module_paths.h"
#include "textflow/line_feeds.h"
#include "textflow/log_backlog.h"
#include "textflow/log_file_name.h"
#include "textflow/send_part.h"
#include "tools/host_sim/text_escapes.h"

namespace {

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

// "\x95\x5C" (表) and "\x83\x5C" (ソ) end in a backslash, and the trail byte
// of "\x81\x81" is itself a lead-byte value.
TEST(ShiftJisText, LeadBytesAreHeldAndCutsFallBetweenCharacters)
{
    const std::tuple<std::string, std::string, char> held[] = {
        {"AB\x82", "AB", '\x82'}, {"\x82\xA0", "\x82\xA0", 0}, {"\x81\x81\x81", "\x81\x81", '\x81'},
        {"\x81\x81", "\x81\x81", 0}, {"A", "A", 0}, {"", "", 0},
    };
    for (auto [text, kept, lead] : held) {
        EXPECT_EQ(lead, TakeTrailingLeadByte(&text[0])) << kept;
        EXPECT_EQ(kept, text.c_str());
    }
    // text, limit, bytes that fit without cutting a character
    const std::tuple<std::string, size_t, size_t> cuts[] = {
        {"AB\x82\xA0", 3, 2}, {"AB\x82\xA0", 4, 4}, {"\x81\x81\x81" "A", 3, 2}, {"\x81\x81\x81", 2, 2}, {"A", 9, 1},
    };
    for (const auto &[text, limit, fits] : cuts)
        EXPECT_EQ(fits, WholeCharactersWithin(text.data(), text.size(), limit)) << text << limit;
    std::string feeds = "\nA\r\n\n\x95\nB\n";
    RemoveLineFeeds(&feeds[0]);
    EXPECT_STREQ("A\r\x95" "B", feeds.c_str());
}

// The caret, selections and the line end are tried on the real input line;
// what it cannot stage is a part reaching past a line that another program
// shortened while the send's box was open.
TEST(SendPart, APartPastTheLineIsCutWithinIt)
{
    wchar_t line[] = L"AB";
    CutSendPart(line, 2, SendPart{1, 9});
    EXPECT_STREQ(L"A", line);
}

TEST(FilePaths, LogAndSettingsFollowTheExecutableAndNeverGetCut)
{
    wchar_t path[40] = L"junk";
    EXPECT_TRUE(MakeLogFilePath(L"C:\\vrk\\", {2026, 12, 5}, L"", path, 40));
    EXPECT_STREQ(L"C:\\vrk\\261205.LOG", path);
    EXPECT_TRUE(MakeLogFilePath(L"C:\\vrk\\", {2000, 1, 1}, L"_2", path, 40));
    EXPECT_STREQ(L"C:\\vrk\\000101_2.LOG", path);
    EXPECT_FALSE(MakeLogFilePath(L"", {2026, 1, 2}, L"", path, 40));
    EXPECT_FALSE(MakeLogFilePath(L"C:\\vrk\\", {2026, 1, 2}, L"", path, 17));
    EXPECT_STREQ(L"", path);
    // module path, name the file system reports, log directory, settings file
    const std::tuple<const wchar_t *, const wchar_t *, const wchar_t *, const wchar_t *> cases[] = {
        {L"C:\\VRK\\VRK.exe", L"Vrk.exe", L"C:\\VRK\\", L"C:\\VRK\\Vrk.ini"},
        {L"C:\\a.b\\Term.v2.exe", nullptr, L"C:\\a.b\\", L"C:\\a.b\\Term.v2.ini"},
        {L"C:\\d.d\\noext", nullptr, L"C:\\d.d\\", L"C:\\d.d\\noext.ini"},
        {L"C:\\d\\VRK.exe", L"AVeryLongStoredName.exe", L"C:\\d\\", L""},
        {L"C:\\a-long-directory\\x.exe", nullptr, L"", L""},
    };
    for (const auto &[module, stored, directory, ini] : cases) {
        wchar_t out[20] = L"junk";
        EXPECT_EQ(directory[0] != 0, MakeDirectoryOf(module, out, 20));
        EXPECT_STREQ(directory, out);
        EXPECT_EQ(ini[0] != 0, MakeIniPath(module, stored, out, 20));
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

// Files as the system's profile functions wrote and read them.
TEST(SettingsText, KeysAreReadAsTheProfileFunctionsDidAndRewrittenInPlace)
{
    // file, key, value found (nullptr: none)
    const std::tuple<std::string, const char *, const char *> reads[] = {
        {"[VRK]\r\nKey=v\r\n", "Key", "v"}, {"  [ vrk ]\nkEY =  'a b' \n", "Key", "a b"},
        {"[VRK]\nKey=\"x'\n", "Key", "\"x'"}, {"[VRK]\nKey=\n", "Key", ""},
        {"[Other]\nKey=x\n[VRK]\n;Key=y\nKey=z\nKey=w", "Key", "z"}, {"[VRK]\nA=1\n[VRK]\nKey=2\n", "Key", nullptr},
        {"[VRKX]\nKey=1\n", "Key", nullptr}, {"Key=1\n", "Key", nullptr}, {"[VRK]\nKeys=1\n", "Key", nullptr},
    };
    for (const auto &[file, key, expected] : reads) {
        std::string_view value = "unset";
        EXPECT_EQ(expected != nullptr, FindIniValue(file, "VRK", key, &value)) << file;
        if (expected) {
            EXPECT_EQ(expected, value) << file;
        }
    }
    for (const auto &[text, number] : {std::pair{"12", 12}, {"-3", -3}, {"+7x", 7}, {"abc", 0}, {"4294967297", 1}})
        EXPECT_EQ(number, ParseIniInteger(text)) << text;
    // file before, file after setting A=1 and B=2
    const std::pair<std::string, std::string> updates[] = {
        {"", "[VRK]\r\nA=1\r\nB=2\r\n"},
        {"[VRK]\r\nb = 9\r\n", "[VRK]\r\nb=2\r\nA=1\r\n"},
        {"; c\r\n[VRK]\r\nA=0\r\n; note\r\n\r\n[Other]\r\nB=5\r\n", "; c\r\n[VRK]\r\nA=1\r\n; note\r\nB=2\r\n\r\n[Other]\r\nB=5\r\n"},
        {"[Other]\nX=1", "[Other]\nX=1\r\n[VRK]\r\nA=1\r\nB=2\r\n"},
        {"[VRK]", "[VRK]\r\nA=1\r\nB=2\r\n"},
        {"[vrk]\nA=0\nA=5\nB=0", "[vrk]\nA=1\r\nA=5\nB=2\r\n"},
    };
    const IniEntry entries[] = {{"A", "1"}, {"B", "2"}};
    for (const auto &[before, after] : updates) {
        char out[128];
        std::size_t length = UpdateIni(before, "VRK", entries, 2, out, sizeof out);
        EXPECT_EQ(after, std::string(out, length)) << before;
        EXPECT_EQ(0u, UpdateIni(before, "VRK", entries, 2, out, after.size() - 1)) << "one byte short";
    }
}

// A byte-order mark names the file's encoding; big-endian UTF-16 units come
// from their bytes and go back to them; a name is cut between characters, a
// surrogate pair or a UTF-8 sequence kept whole.
TEST(SettingsText, EncodingsByTheirMarkAndCutBetweenCharacters)
{
    const std::pair<std::string_view, IniEncoding> marks[] = {{"\xEF\xBB\xBF[", IniEncoding::Utf8},
        {"\xFE\xFF", IniEncoding::Utf16Be}, {"\xEF\xBB[", IniEncoding::ShiftJis}, {"\xFF", IniEncoding::ShiftJis}};
    for (const auto &[bytes, encoding] : marks)
        EXPECT_EQ(encoding, DetectIniEncoding(bytes)) << bytes;
    const std::string big("\0A\x26\x03\x7F", 5);
    wchar_t units[2] = {};
    char bytes[4] = {};
    Utf16ToBytes(std::wstring_view(units, Utf16FromBytes(big, IniEncoding::Utf16Be, units)), IniEncoding::Utf16Be, bytes);
    EXPECT_EQ(std::wstring(L"A\x2603"), std::wstring(units, 2));
    EXPECT_EQ(big.substr(0, 4), std::string(bytes, 4));
    // limit, then the cut for UTF-16 and for UTF-8
    const std::tuple<std::size_t, std::size_t, std::size_t> cuts[] = {{1, 1, 1}, {2, 1, 1}, {3, 3, 1}, {4, 3, 1}, {5, 3, 5}};
    for (const auto &[limit, utf16, utf8] : cuts) {
        EXPECT_EQ(utf16, WholeUtf16Within(L"a\xD83D\xDE00", limit)) << limit;
        EXPECT_EQ(utf8, WholeUtf8Within("a\xF0\x9F\x98\x80z", limit)) << limit;
    }
    EXPECT_EQ(4u, WholeUtf8Within("\x80\x80\x80\x80\x80", 4)) << "no character to keep whole";
}

TEST(WindowTitle, ShowsTheConnectionWithinItsBuffer)
{
    const std::wstring longName(300, L'x');
    const TitleParts open = {false, true, 1, 9600, L"", true, L"VRK"};
    const std::tuple<TitleParts, size_t, std::wstring> cases[] = {
        {{false, true, 1, 9600, L"", true, longName.c_str()}, 256, L"COM1 9600 - VRK (" + std::wstring(238, L'x')},
        {open, 6, L"COM1 "},
        {{false, false, 0, 0, L"", true, L"端末"}, 256, L"VRK (端末)"},
    };
    for (const auto &[parts, size, expected] : cases) {
        std::wstring buffer(size + 8, L'#');
        FormatWindowTitle(&buffer[0], size, parts);
        EXPECT_EQ(std::wstring(8, L'#'), buffer.substr(size)) << "written past the buffer";
        EXPECT_EQ(expected, buffer.c_str());
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

// Every index a settings file can hold names a port, without overflow. In
// the list a device's name follows its port, without the port it repeats; a
// name that does not fit is cut within the buffer.
TEST(PortName, EveryStoredIndexNamesADeviceAndTheListShowsItsName)
{
    char device[32];
    MakePortDeviceName(2147483647, device, sizeof device);
    EXPECT_STREQ("\\\\.\\COM2147483648", device);
    MakePortDeviceName(-2147483647 - 1, device, sizeof device);
    EXPECT_STREQ("\\\\.\\COM-2147483647", device);
    EXPECT_EQ(12, PortNumber(11));
    const std::tuple<int, const wchar_t *, size_t, std::wstring> cases[] = {
        {7, L"USB Serial Port (COM7)", 64, L"COM7: USB Serial Port"}, {7, L"", 64, L"COM7"},
        {7, L"USB Serial Port (COM17)", 64, L"COM7: USB Serial Port (COM17)"}, {256, L"BT", 64, L"COM256: BT"},
        {7, L"Ab (COM7)", 9, L"COM7: Ab"}, {7, L"Ab (COM7)", 8, L"COM7: A"},
    };
    for (const auto &[number, name, size, expected] : cases) {
        std::wstring buffer(size + 4, L'#');
        MakePortChoiceText(number, name, &buffer[0], size);
        EXPECT_EQ(L"####", buffer.substr(size)) << "written past the buffer";
        EXPECT_EQ(expected, buffer.c_str());
    }
}

TEST(CommandLine, TheConnectSwitchIsAWordOfItsOwnAfterTheProgramsName)
{
    EXPECT_STREQ(L"/connect x", CommandLineArguments(L"\"C:\\Program Files\\VRK.exe\"  /connect x"));
    EXPECT_STREQ(L"", CommandLineArguments(L"\"C:\\a b\\VRK.exe\""));
    EXPECT_STREQ(L"/c", CommandLineArguments(L"C:\\VRK\\VRK.exe\t/c"));
    const std::pair<const wchar_t *, bool> cases[] = {{L"/connect", true}, {L"x\t/CONNECT ", true}, {L"-Connect", true},
                                                       {L"/connectx", false}, {L"/connec", false}, {L"connect", false}};
    for (const auto &[arguments, given] : cases)
        EXPECT_EQ(given, HasConnectSwitch(arguments)) << arguments;
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
