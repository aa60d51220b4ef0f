#include "tests/support/message_boxes.h"

#include "tests/support/windows_of_process.h"

// Windows names the text control 0xFFFF, Wine 100.
static const int kMessageTextIds[] = {0xFFFF, 100};

static std::wstring MessageBoxText(HWND box)
{
    wchar_t text[1024] = L"";
    for (int id : kMessageTextIds) {
        if (GetDlgItemTextW(box, id, text, 1024) > 0)
            break;
    }
    return text;
}

static void PressOk(HWND box)
{
    PressDialogButton(box, IDOK);
    for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i)
        Sleep(10);
}

std::wstring AnswerMessageBox(DWORD processId, DWORD timeoutMs)
{
    HWND box = WaitForTopLevel(processId, kDialogClass, kCaption, timeoutMs);
    if (!box)
        return std::wstring();
    std::wstring text = MessageBoxText(box);
    PressOk(box);
    return text;
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
        // Kept before the box is closed: the code that showed it may read the
        // texts as soon as it returns.
        {
            std::lock_guard<std::mutex> guard(lock_);
            texts_.push_back(MessageBoxText(box));
        }
        PressOk(box);
    }
}
