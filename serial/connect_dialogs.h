// The Connect command: port dialog, baud-rate dialog, then open.
#pragma once

#include <windows.h>

void RunConnect(HWND mainWindow);
