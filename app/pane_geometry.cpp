#include "app/pane_geometry.h"

#include <climits>

long InputHeightFromMetrics(long lineHeight, const PaneRect &formatRect)
{
    long formatHeight = formatRect.bottom - formatRect.top;
    return (lineHeight > formatHeight ? lineHeight : formatHeight) + 2 * formatRect.left;
}

long InputHeightFromFontHeight(long fontHeight)
{
    // The stored height may be any value: its magnitude is taken unsigned, and
    // the fifth added as 6/5 of it in parts, so that nothing overflows
    // whatever the width of long.
    unsigned long long magnitude = fontHeight < 0 ? 0ULL - static_cast<unsigned long long>(fontHeight)
                                                  : static_cast<unsigned long long>(fontHeight);
    unsigned long long height = magnitude / 5 * 6 + magnitude % 5 * 6 / 5;
    return height > static_cast<unsigned long long>(LONG_MAX) ? LONG_MAX : static_cast<long>(height);
}

PaneRect PlaceInputLine(const PaneRect &client, const PaneRect &inputWindow, long inputClientHeight,
                        long wantedHeight)
{
    long frame = (inputWindow.bottom - inputWindow.top) - inputClientHeight;
    return {client.left, client.bottom - (frame + wantedHeight), client.right, client.bottom};
}

PaneRect PlaceOutputPane(const PaneRect &client, const PaneRect &inputLine, bool inputHidden)
{
    return {client.left, client.top, client.right, inputHidden ? client.bottom : inputLine.top};
}
