// The font and colour commands: each opens its picker over the main window and
// applies the choice to both panes.
#pragma once

#include <windows.h>

void ChoosePaneFont(HWND mainWindow);
void ChooseTextColor(HWND mainWindow);
void ChooseBackColor(HWND mainWindow);
