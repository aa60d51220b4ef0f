#include "app/pane_geometry.h"

#include <climits>

long InputHeightFromMetrics(long lineHeight, const PaneRect &formatRect)
{
    long formatHeight = formatRect.bottom - formatRect.top;
    return (lineHeight > formatHeight ? lineHeight : formatHeight) + 2 * formatRect.left;
}

long InputHeightFromFontHeight(long fontHeight)
{
    // Worked in 64 bits: the stored height may be any value, and neither its
    // magnitude nor the product may overflow.
    long long magnitude = fontHeight < 0 ? -static_cast<long long>(fontHeight) : fontHeight;
    long long height = magnitude * 120 / 100;
    return height > LONG_MAX ? LONG_MAX : static_cast<long>(height);
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
