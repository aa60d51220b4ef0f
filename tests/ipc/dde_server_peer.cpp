// Another program serving a DDE name, for the start-up probe to find:
//   dde_server_peer SERVICE answer   answers initiates and terminates
//   dde_server_peer SERVICE silent   answers initiates, never a terminate
//   dde_server_peer SERVICE hang     shows its window, then stops pumping
#include <windows.h>

#include <dde.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/ipc/dde_server_peer.h"

namespace {

const char *service = "";
bool answerTerminates = true;
std::vector<HWND> partners;
LRESULT terminates = 0;

void OnInitiate(HWND window, HWND client, LPARAM atoms)
{
    char name[256] = "";
    char topic[256] = "";
    if (!GlobalGetAtomNameA(LOWORD(atoms), name, sizeof name) ||
        !GlobalGetAtomNameA(HIWORD(atoms), topic, sizeof topic) || lstrcmpiA(name, service) != 0 ||
        lstrcmpA(topic, "Command") != 0)
        return;
    partners.push_back(client);
    SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(GlobalAddAtomA(service), GlobalAddAtomA("Command")));
}

void OnTerminate(HWND window, HWND client)
{
    ++terminates;
    auto found = std::find(partners.begin(), partners.end(), client);
    if (found == partners.end())
        return;
    partners.erase(found);
    if (answerTerminates)
        PostMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
}

LRESULT CALLBACK PeerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DDE_INITIATE:
        OnInitiate(window, reinterpret_cast<HWND>(wParam), lParam);
        return 0;
    case WM_DDE_TERMINATE:
        OnTerminate(window, reinterpret_cast<HWND>(wParam));
        return 0;
    case kCountOpen:
        return static_cast<LRESULT>(partners.size());
    case kCountTerminates:
        return terminates;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    service = argv[1];
    answerTerminates = strcmp(argv[2], "answer") == 0;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PeerProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = kServerPeerClass;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, kServerPeerClass, service, WS_OVERLAPPED, 0, 0, 100, 60, NULL, NULL,
                                  windowClass.hInstance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    MSG message;
    if (strcmp(argv[2], "hang") == 0) {
        // What is queued now is handled, so the window can be found; after
        // that the thread never looks at its queue again.
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(INFINITE);
    }
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
