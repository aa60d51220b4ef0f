#include <gtest/gtest.h>

#include <string>

#include "textflow/code_page_text.h"
#include "textflow/dbcs_text.h"
#include "textflow/log_file_name.h"
#include "textflow/send_part.h"

namespace {

// The bench runs with code page 932, whose lead bytes are 0x81 to 0x9F and
// 0xE0 to 0xFC.
const LeadByteTest IsShiftJisLead = IsCodePageLeadByte;

struct CarryCase {
    const char *text;
    const char *kept;
    char carried;
};

TEST(TextHelpers, OnlyALeadByteWithoutItsSecondByteIsHeldBack)
{
    const CarryCase cases[] = {
        {"", "", '\0'},
        {"ABC", "ABC", '\0'},
        {"AB\x82", "AB", '\x82'},
        {"\x82", "", '\x82'},
        {"A\x82\xA0", "A\x82\xA0", '\0'},
        // The second byte of a character is never taken for a lead byte.
        {"\x82\x82", "\x82\x82", '\0'},
        {"\x82\x82\x82", "\x82\x82", '\x82'},
        {"\xB1\x82", "\xB1", '\x82'},
    };
    for (const CarryCase &c : cases) {
        std::string text = c.text;
        char carried = TakeTrailingLeadByte(&text[0], IsShiftJisLead);
        EXPECT_EQ(c.carried, carried) << c.text;
        EXPECT_STREQ(c.kept, text.c_str()) << c.text;
    }
}

struct PositionCase {
    const char *text;
    std::size_t unitLength;
    std::size_t position;
    std::size_t offset;
};

TEST(TextHelpers, EditPositionsBecomeByteOffsetsForBothKindsOfControl)
{
    const PositionCase cases[] = {
        // A control that counts bytes: the lengths agree.
        {"A\x82\xA0" "B", 4, 3, 3},
        {"ABC", 3, 2, 2},
        {"ABC", 3, 9, 3},
        // A control that counts characters.
        {"A\x82\xA0" "B", 3, 0, 0},
        {"A\x82\xA0" "B", 3, 2, 3},
        {"A\x82\xA0" "B", 3, 3, 4},
        {"\x82\xA0\x82\xA2\r\n\x82\xA4", 5, 4, 6},
        {"A\x82\xA0" "B", 3, 7, 4},
    };
    for (const PositionCase &c : cases) {
        std::string text = c.text;
        EXPECT_EQ(c.offset, EditPositionToByteOffset(text.c_str(), text.size(), c.unitLength,
                                                     c.position, IsShiftJisLead))
            << c.text << " @" << c.position;
    }
}

TEST(TextHelpers, SeparatorsSplitOnlyWhereTheyStandAlone)
{
    // 0x7C is also a valid second byte; \x83\x7C is one character.
    std::string text = "A|\x83\x7C|B||";
    SplitAtSeparators(&text[0], '|', IsShiftJisLead);
    EXPECT_EQ(std::string("A\0\x83\x7C\0B\0\0", 8), text);
}

TEST(TextHelpers, LogFileNamesFollowTheLocalDate)
{
    struct NameCase {
        LogDate date;
        const char *path;
    };
    const NameCase cases[] = {
        {{2026, 12, 5}, "C:\\vrk\\261205.LOG"},
        {{2000, 1, 1}, "C:\\vrk\\000101.LOG"},
        {{1999, 12, 31}, "C:\\vrk\\991231.LOG"},
        {{2100, 7, 9}, "C:\\vrk\\000709.LOG"},
    };
    for (const NameCase &c : cases) {
        char path[260];
        ASSERT_TRUE(MakeLogFilePath("C:\\vrk\\", c.date, path, sizeof path));
        EXPECT_STREQ(c.path, path);
    }
}

TEST(TextHelpers, ALogPathThatDoesNotFitIsRefusedEmpty)
{
    char path[17] = "junk";
    EXPECT_FALSE(MakeLogFilePath("C:\\vrk\\", {2026, 1, 2}, path, sizeof path));
    EXPECT_STREQ("", path);
    char fits[18];
    EXPECT_TRUE(MakeLogFilePath("C:\\vrk\\", {2026, 1, 2}, fits, sizeof fits));
    EXPECT_STREQ("C:\\vrk\\260102.LOG", fits);
}

struct SendCase {
    std::size_t selectionStart;
    std::size_t selectionEnd;
    const char *sent;
    const char *left;
};

TEST(TextHelpers, EnterSendsTheSelectionOrWhatPrecedesTheCaret)
{
    const SendCase cases[] = {
        {3, 3, "ABC", "DEF"},
        {2, 4, "CD", "ABEF"},
        {0, 0, "", "ABCDEF"},
        {6, 6, "ABCDEF", ""},
        {0, 6, "ABCDEF", ""},
        // Positions past the text are held to its end.
        {9, 12, "ABCDEF", ""},
        {4, 12, "EF", "ABCD"},
    };
    for (const SendCase &c : cases) {
        std::string text = "ABCDEF";
        SendPart part = ChooseSendPart(c.selectionStart, c.selectionEnd, text.size());
        EXPECT_EQ(c.sent, text.substr(part.start, part.end - part.start));
        CutSendPart(&text[0], text.size(), part);
        EXPECT_STREQ(c.left, text.c_str());
    }
}

}  // namespace
