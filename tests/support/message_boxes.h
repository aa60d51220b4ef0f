// Message boxes of the terminal: caption "VRK", text in the static control
// that every system message box uses.
#pragma once

#include <windows.h>

#include <string>
#include <thread>
#include <vector>
#include <mutex>
#include <atomic>

inline constexpr wchar_t kDialogClass[] = L"#32770";
inline constexpr wchar_t kCaption[] = L"VRK";

// Waits for a message box of the process, returns its text (empty on time-out)
// and closes it with OK.
std::wstring AnswerMessageBox(DWORD processId, DWORD timeoutMs = 5000);

// While alive, closes every message box that the given process shows and keeps
// their texts; for in-process tests whose thread is stuck inside the box.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(DWORD processId = GetCurrentProcessId());
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher &) = delete;
    MessageBoxWatcher &operator=(const MessageBoxWatcher &) = delete;
    std::vector<std::wstring> Texts();

private:
    void Watch();
    DWORD processId_;
    std::atomic<bool> stop_;
    std::mutex lock_;
    std::vector<std::wstring> texts_;
    std::thread thread_;
};
