// Where a dialog opens over its owner, along one axis of the screen. Kept
// free of windows.h so it can be checked natively.
#pragma once

// Start of a dialog of the given extent centred over the owner's span
// [ownerStart, ownerEnd], pulled back onto a screen of screenExtent. A dialog
// larger than the screen keeps its start (caption, system menu) at 0.
int CentredDialogStart(int ownerStart, int ownerEnd, int extent, int screenExtent);
