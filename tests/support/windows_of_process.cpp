#include "tests/support/windows_of_process.h"

namespace {

struct Search {
    DWORD processId;
    const wchar_t *className;
    const wchar_t *title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    auto *search = reinterpret_cast<Search *>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    if (search->className && ClassOf(window) != search->className)
        return TRUE;
    if (search->title && WindowTextOf(window) != search->title)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopLevel(DWORD processId, const wchar_t *className, const wchar_t *title)
{
    Search search = {processId, className, title, NULL};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::wstring WindowTextOf(HWND window)
{
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

HWND WaitForTopLevel(DWORD processId, const wchar_t *className, const wchar_t *title, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = FindTopLevel(processId, className, title))
            return window;
        if (GetTickCount() - start >= timeoutMs)
            return NULL;
        Sleep(20);
    }
}

bool StaysAbsent(DWORD processId, const wchar_t *className, const wchar_t *title, DWORD timeoutMs)
{
    return WaitForTopLevel(processId, className, title, timeoutMs) == NULL;
}

bool PressDialogButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    return button && PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                  reinterpret_cast<LPARAM>(button));
}

void TypeText(HWND window, const char *text)
{
    for (const char *at = text; *at; ++at)
        SendMessageA(window, WM_CHAR, static_cast<unsigned char>(*at), 0);
}
