// The DDE command server, spoken in raw window messages.
#pragma once

#include "core/terminal_state.h"

void InitDdeServer(DdeServerState *server, HWND owner, const wchar_t *serviceName);
void HandleDdeInitiate(HWND mainWindow, HWND client, ATOM service, ATOM topic);
void HandleDdeExecute(HWND mainWindow, HWND client, LPARAM lParam);
void HandleDdeTerminate(HWND mainWindow, HWND sender);
void EndAllDdeConversations(HWND mainWindow);
void FreeDdeConversationTable(DdeServerState *server);
