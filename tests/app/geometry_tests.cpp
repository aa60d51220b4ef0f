#include <gtest/gtest.h>

#include <climits>

#include "app/dialog_position.h"
#include "app/pane_geometry.h"

namespace {

// The pane layout itself is checked on the real controls; this is the one
// path those cannot reach: a font height read back without a device context.
TEST(PaneGeometry, WithoutMetricsTheFontHeightGetsAFifthMore)
{
    struct Case {
        long fontHeight;
        long expected;
    } cases[] = {
        {-16, 19}, {16, 19}, {0, 0}, {-1, 1}, {-10, 12},
        // A stored height of any size neither overflows nor turns negative.
        {LONG_MIN, LONG_MAX}, {LONG_MAX, LONG_MAX},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fontHeight);
        EXPECT_EQ(c.expected, InputHeightFromFontHeight(c.fontHeight));
    }
}

TEST(DialogPosition, CentredOverTheOwnerAndKeptOnTheScreen)
{
    const int screen = 1280;
    struct Case {
        const char *name;
        int ownerStart, ownerEnd, extent;
        int expected;
    } cases[] = {
        {"centred", 200, 800, 300, 350},
        {"odd sizes halve downwards", 201, 800, 301, 350},
        {"owner partly off the left", -400, 200, 300, 0},
        {"owner wholly off the left", -900, -100, 300, 0},
        {"owner at the right edge", 1000, 1400, 300, screen - 300},
        {"owner wholly off the right", 1400, 1800, 300, screen - 300},
        {"exactly at the screen edge", 980, 1280, 300, 980},
        {"dialog as wide as the screen", 0, 600, screen, 0},
        // The caption must stay reachable: a dialog larger than the screen
        // starts at the screen edge, never before it.
        {"dialog larger than the screen", 500, 900, 1500, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, CentredDialogStart(c.ownerStart, c.ownerEnd, c.extent, screen));
    }
}

}  // namespace
