#include "tools/driving/window_search.h"

namespace {

struct Search {
    DWORD processId;
    const wchar_t *className;
    const wchar_t *title;
    bool visible;
    HWND found;
};

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    auto *search = reinterpret_cast<Search *>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || (search->visible && !IsWindowVisible(window)) ||
        (search->className && ClassOf(window) != search->className) ||
        (search->title && WindowTextOf(window) != search->title))
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

std::wstring WindowTextOf(HWND window)
{
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

HWND WaitForTopLevel(DWORD processId, const wchar_t *className, const wchar_t *title, DWORD timeoutMs, bool visible)
{
    DWORD start = GetTickCount();
    for (;;) {
        Search search = {processId, className, title, visible, NULL};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found || GetTickCount() - start >= timeoutMs)
            return search.found;
        Sleep(20);
    }
}

// Windows names a message box's text control 0xFFFF, Wine 100.
std::wstring MessageBoxText(HWND box)
{
    wchar_t text[1024] = L"";
    for (int id : {0xFFFF, 100}) {
        if (GetDlgItemTextW(box, id, text, 1024) > 0)
            break;
    }
    return text;
}

std::wstring AnswerMessageBox(DWORD processId, DWORD timeoutMs)
{
    HWND box = WaitForTopLevel(processId, kDialogClass, L"VRK", timeoutMs);
    if (!box)
        return std::wstring();
    std::wstring text = MessageBoxText(box);
    PressDialogButton(box, IDOK);
    for (int i = 0; i < 100 && IsWindowVisible(box); ++i)
        Sleep(10);
    return text;
}

bool PressDialogButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    return button && PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                  reinterpret_cast<LPARAM>(button));
}

void TypeText(HWND window, const std::string &text)
{
    wchar_t wide[1024];
    int length = MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), wide, 1024);
    for (int i = 0; i < length; ++i)
        SendMessageW(window, WM_CHAR, wide[i], 0);
}
