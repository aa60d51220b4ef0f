// The other side of the terminal's conversations, one program with modes. It
// appends what it sees to OUT, which the scenarios read, and runs until it is
// ended.
//
//   vrk_peer OUT focus TEXT            a focused edit control in front, holding TEXT
//   vrk_peer OUT ims                   an input monitor server
//   vrk_peer OUT dde-client SERVICE    a DDE client that connects and never answers a terminate
//   vrk_peer OUT dde-server SERVICE [silent]   a DDE server of that name
//   vrk_peer OUT hung                  a top-level window whose thread stops pumping
#include <windows.h>

#include <dde.h>

#include <cstdio>
#include <string>

#include "core/program_identity.h"
#include "ipc/ims_codes.h"

namespace {

std::string out;
std::string mode;
std::string service;
bool silent = false;
HWND edit;
HWND target;
UINT imsMessage;

void Note(const std::string &text)
{
    if (FILE *file = fopen(out.c_str(), "ab")) {
        fputs(text.c_str(), file);
        fclose(file);
    }
}

std::string AtomName(ATOM atom)
{
    char name[256] = "";
    GlobalGetAtomNameA(atom, name, sizeof name);
    return name;
}

LRESULT OnImsMessage(HWND window, WPARAM code, LPARAM lParam)
{
    Note(std::to_string(code) + (code == kImsSetTarget ? (lParam ? "+" : "-") : "") + " ");
    if (code == kImsDiscover)
        SendMessageA(reinterpret_cast<HWND>(lParam), imsMessage, kImsOffer, reinterpret_cast<LPARAM>(window));
    if (code == kImsSetTarget)
        target = reinterpret_cast<HWND>(lParam);
    return code == kImsGetTarget ? reinterpret_cast<LRESULT>(target) : 0;
}

// The server's answer to an initiate: new atoms, which the client deletes.
void OnInitiate(HWND window, HWND client, LPARAM atoms)
{
    if (lstrcmpiA(AtomName(LOWORD(atoms)).c_str(), service.c_str()) != 0 || AtomName(HIWORD(atoms)) != "Command")
        return;
    Note("initiate ");
    SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(GlobalAddAtomA(service.c_str()), GlobalAddAtomA("Command")));
}

LRESULT CALLBACK PeerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == imsMessage && mode == "ims")
        return OnImsMessage(window, wParam, lParam);
    if (message == WM_DDE_INITIATE && mode == "dde-server")
        OnInitiate(window, reinterpret_cast<HWND>(wParam), lParam);
    if (message == WM_DDE_ACK && mode == "dde-client") {
        Note("connected ");
        GlobalDeleteAtom(LOWORD(lParam));
        GlobalDeleteAtom(HIWORD(lParam));
    }
    if (message == WM_DDE_TERMINATE) {
        Note("terminate ");
        if (mode == "dde-server" && !silent)
            PostMessageA(reinterpret_cast<HWND>(wParam), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
    }
    // What the focused control holds is noted in Shift-JIS, as the
    // scenarios are read, whatever the system's code page.
    if (message == WM_TIMER) {
        static std::string shown;
        wchar_t text[1024] = L"";
        char bytes[2048] = "";
        WideCharToMultiByte(932, 0, text, GetWindowTextW(edit, text, 1024) + 1, bytes, sizeof bytes, NULL, NULL);
        if (shown != bytes)
            Note(std::string("[") + (shown = bytes) + "]");
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    out = argv[1];
    mode = argv[2];
    service = argc > 3 ? argv[3] : "";
    silent = argc > 4;
    imsMessage = RegisterWindowMessageW(kImsMessageName);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PeerProc;
    windowClass.lpszClassName = "VrkPeer";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("VrkPeer", "peer", WS_OVERLAPPEDWINDOW | (mode == "focus" ? WS_VISIBLE : 0), 0, 0,
                                300, 100, NULL, NULL, NULL, NULL);
    if (mode == "focus") {
        // A Unicode control, as a Unicode application's; its starting text is ASCII.
        std::wstring start(service.begin(), service.end());
        edit = CreateWindowW(L"EDIT", start.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 280, 24, window, NULL, NULL, NULL);
        SetForegroundWindow(window);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0x7fff, 0x7fff);
        SetTimer(window, 1, 50, NULL);
    }
    if (mode == "dde-client") {
        ATOM serviceAtom = GlobalAddAtomA(service.c_str());
        ATOM topicAtom = GlobalAddAtomA("Command");
        SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(window),
                            MAKELPARAM(serviceAtom, topicAtom), SMTO_ABORTIFHUNG, 2000, NULL);
        GlobalDeleteAtom(serviceAtom);
        GlobalDeleteAtom(topicAtom);
    }
    Note("ready " + std::to_string(reinterpret_cast<UINT_PTR>(window)) + " ");
    if (mode == "hung")
        Sleep(INFINITE);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
