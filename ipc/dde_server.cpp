#include "ipc/dde_server.h"

void InitDdeServer(DdeServerState *server, HWND owner, const char *serviceName)
{
    ZeroMemory(server, sizeof *server);
    server->owner = owner;
    if (serviceName)
        lstrcpynA(server->serviceName, serviceName, sizeof server->serviceName);
}

void HandleDdeInitiate(HWND, HWND, ATOM, ATOM)
{
}

void HandleDdeExecute(HWND, HWND, LPARAM)
{
}

void HandleDdeTerminate(HWND, HWND)
{
}

void EndAllDdeConversations(HWND)
{
}

void FreeDdeConversationTable(DdeServerState *)
{
}
