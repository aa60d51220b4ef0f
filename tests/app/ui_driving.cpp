#include "tests/app/ui_driving.h"

#include <thread>

#include "tests/support/message_boxes.h"
#include "tests/support/windows_of_process.h"

bool WithDialog(const wchar_t *title, const std::function<void()> &open,
                const std::function<void(HWND dialog)> &answer)
{
    bool found = false;
    std::thread watcher([&] {
        HWND dialog = WaitForTopLevel(GetCurrentProcessId(), kDialogClass, title, 5000);
        found = dialog != NULL;
        if (found)
            answer(dialog);
    });
    open();
    watcher.join();
    return found;
}

LRESULT SendCommand(HWND mainWindow, UINT command, UINT code)
{
    return SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(command, code), 0);
}

bool operator==(const RECT &a, const RECT &b)
{
    return EqualRect(&a, &b) != FALSE;
}

void PrintTo(const RECT &rect, std::ostream *out)
{
    *out << "{" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << "}";
}

RECT ClientRectOf(HWND window)
{
    RECT rect = {};
    GetClientRect(window, &rect);
    return rect;
}

RECT RectInParent(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    MapWindowPoints(NULL, GetParent(window), reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}
