// Arithmetic of the pane layout, kept free of windows.h so it can be checked
// natively. Rectangles are in the main window's client coordinates.
#pragma once

struct PaneRect {
    long left;
    long top;
    long right;
    long bottom;
};

// Client height the input line needs for one line of text: the taller of the
// font's line and the control's formatting rectangle, plus the left margin
// above and below.
long InputHeightFromMetrics(long lineHeight, const PaneRect &formatRect);

// The same without a device context to measure with: the font's nominal
// height plus a fifth. Never negative, whatever the stored height.
long InputHeightFromFontHeight(long fontHeight);

// The input line along the bottom of the client area, full width, with its
// frame as it is now and its client area wantedHeight high.
PaneRect PlaceInputLine(const PaneRect &client, const PaneRect &inputWindow, long inputClientHeight,
                        long wantedHeight);

// The output pane above the input line, or over the whole client area while
// the input line is hidden.
PaneRect PlaceOutputPane(const PaneRect &client, const PaneRect &inputLine, bool inputHidden);
