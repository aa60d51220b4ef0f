// Start-up check for another server of the same DDE service name.
#pragma once

#include "core/terminal_state.h"

int ProbeDuplicateService(HWND mainWindow, DdeServerState *server);
void HandleDdeAck(HWND mainWindow, WPARAM wParam, LPARAM lParam);
void HandleProbeTerminate(HWND mainWindow, HWND sender);
void ShowDuplicateServiceNotice(HWND mainWindow);
