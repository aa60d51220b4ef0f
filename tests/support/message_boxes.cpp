#include "tests/support/message_boxes.h"

#include "tests/support/windows_of_process.h"

// Windows names the text control 0xFFFF, Wine 100.
static const int kMessageTextIds[] = {0xFFFF, 100};

static std::wstring CloseMessageBox(HWND box)
{
    wchar_t text[1024] = L"";
    for (int id : kMessageTextIds) {
        if (GetDlgItemTextW(box, id, text, 1024) > 0)
            break;
    }
    PressDialogButton(box, IDOK);
    for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i)
        Sleep(10);
    return text;
}

std::wstring AnswerMessageBox(DWORD processId, DWORD timeoutMs)
{
    HWND box = WaitForTopLevel(processId, kDialogClass, kCaption, timeoutMs);
    return box ? CloseMessageBox(box) : std::wstring();
}

MessageBoxWatcher::MessageBoxWatcher(DWORD processId)
    : processId_(processId), stop_(false), thread_(&MessageBoxWatcher::Watch, this)
{
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    stop_ = true;
    thread_.join();
}

std::vector<std::wstring> MessageBoxWatcher::Texts()
{
    std::lock_guard<std::mutex> guard(lock_);
    return texts_;
}

void MessageBoxWatcher::Watch()
{
    while (!stop_) {
        HWND box = WaitForTopLevel(processId_, kDialogClass, kCaption, 50);
        if (!box)
            continue;
        std::wstring text = CloseMessageBox(box);
        std::lock_guard<std::mutex> guard(lock_);
        texts_.push_back(text);
    }
}
