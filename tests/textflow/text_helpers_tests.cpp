#include <gtest/gtest.h>

#include <string>

#include "core/lead_byte.h"
#include "textflow/dbcs_text.h"
#include "textflow/log_file_name.h"
#include "textflow/send_part.h"

namespace {

// The bench runs with code page 932, whose lead bytes are 0x81 to 0x9F and
// 0xE0 to 0xFC.
const LeadByteTest IsShiftJisLead = IsCodePageLeadByte;

TEST(TextHelpers, EditPositionsBecomeByteOffsetsForBothKindsOfControl)
{
    struct PositionCase {
        const char *text;
        std::size_t unitLength;
        std::size_t position;
        std::size_t offset;
    };
    const PositionCase cases[] = {
        // A control that counts bytes: the lengths agree.
        {"A\x82\xA0" "B", 4, 3, 3},
        {"ABC", 3, 9, 3},
        // A control that counts characters.
        {"A\x82\xA0" "B", 3, 2, 3},
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

TEST(TextHelpers, ALogPathThatDoesNotFitOrHasNoDirectoryIsRefusedEmpty)
{
    for (const char *directory : {"", "C:\\vrk\\"}) {
        char path[17] = "junk";
        EXPECT_FALSE(MakeLogFilePath(directory, {2026, 1, 2}, path, sizeof path)) << directory;
        EXPECT_STREQ("", path);
    }
    char fits[18];
    EXPECT_TRUE(MakeLogFilePath("C:\\vrk\\", {2026, 1, 2}, fits, sizeof fits));
    EXPECT_STREQ("C:\\vrk\\260102.LOG", fits);
}

// Another program may change the line while a failed send shows its box, so
// the part sent may reach past the text left to cut it from.
TEST(TextHelpers, APartPastALineThatShrankIsCutWithinTheLine)
{
    std::string text = "AB";
    CutSendPart(&text[0], text.size(), {1, 5});
    EXPECT_STREQ("A", text.c_str());
}

}  // namespace
