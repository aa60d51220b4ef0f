// The DDE command server, spoken in raw window messages.
#pragma once

#include "core/terminal_state.h"

void InitDdeServer(DdeServerState *server, HWND owner, const wchar_t *serviceName);
void HandleDdeInitiate(HWND mainWindow, HWND client, ATOM service, ATOM topic);
void HandleDdeExecute(HWND mainWindow, HWND client, LPARAM lParam);
void HandleDdeTerminate(HWND mainWindow, HWND sender);
// The longest the clients together may keep the end of the conversations
// waiting: at a close, and when the session ends and the system may end the
// process at any moment.
inline constexpr DWORD kDdeCloseLimitMs = 10000;
inline constexpr DWORD kDdeSessionEndLimitMs = 1000;
void EndAllDdeConversations(HWND mainWindow, DWORD limitMs);
void FreeDdeConversationTable(DdeServerState *server);
