#include <gtest/gtest.h>

#include <climits>

#include "app/dialog_position.h"
#include "app/pane_geometry.h"

// Global, where argument-dependent lookup finds them for PaneRect.
bool operator==(const PaneRect &a, const PaneRect &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void PrintTo(const PaneRect &r, std::ostream *out)
{
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

TEST(PaneGeometry, InputLineIsOneFontLineTallPlusItsMargins)
{
    struct Case {
        long lineHeight;
        PaneRect format;
        long expected;
    } cases[] = {
        {16, {1, 0, 100, 16}, 18},  // the line and the formatting rectangle agree
        {12, {1, 0, 100, 16}, 18},  // a shorter line still gets the rectangle's height
        {20, {2, 1, 100, 17}, 24},  // a taller line wins
        {16, {0, 0, 100, 16}, 16},  // no margin
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lineHeight);
        EXPECT_EQ(c.expected, InputHeightFromMetrics(c.lineHeight, c.format));
    }
}

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

TEST(PaneGeometry, InputLineSitsOnTheBottomEdgeAtFullWidth)
{
    const PaneRect client = {0, 0, 400, 300};
    struct Case {
        PaneRect inputWindow;
        long inputClientHeight;
        long wanted;
        PaneRect expected;
    } cases[] = {
        // A 4-pixel frame is kept around the wanted client height.
        {{2, 100, 50, 124}, 20, 30, {0, 266, 400, 300}},
        {{0, 276, 400, 300}, 20, 20, {0, 276, 400, 300}},
        // Shrinking for a smaller font.
        {{0, 250, 400, 300}, 46, 12, {0, 284, 400, 300}},
        // Default placement of a fresh control, far outside the client area.
        {{-32768, -32768, -32700, -32700}, 64, 16, {0, 280, 400, 300}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.wanted);
        EXPECT_EQ(c.expected, PlaceInputLine(client, c.inputWindow, c.inputClientHeight, c.wanted));
    }
}

TEST(PaneGeometry, OutputPaneEndsAtTheInputLineOrFillsTheClientArea)
{
    const PaneRect client = {0, 0, 400, 300};
    const PaneRect input = {0, 270, 400, 300};
    EXPECT_EQ((PaneRect{0, 0, 400, 270}), PlaceOutputPane(client, input, false));
    EXPECT_EQ((PaneRect{0, 0, 400, 300}), PlaceOutputPane(client, input, true));
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
