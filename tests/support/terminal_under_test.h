// The real VRK.exe, run from a fresh directory of its own so that its
// settings file and daily logs belong to one test.
#pragma once

#include <windows.h>

#include <string>

inline constexpr wchar_t kPortDialogTitle[] = L"通信ポートの選択";
inline constexpr wchar_t kBaudRateDialogTitle[] = L"ボーレイトの選択";

class TerminalUnderTest {
public:
    // iniText is written as VRK.ini beside the copied exe; NULL writes none.
    explicit TerminalUnderTest(const char *iniText = "[VRK]\r\nDdeServiceName=\r\n");
    ~TerminalUnderTest();
    TerminalUnderTest(const TerminalUnderTest &) = delete;
    TerminalUnderTest &operator=(const TerminalUnderTest &) = delete;

    // Starts the program (again, after Close) and waits for its main window.
    bool Start();
    // Starts the program without waiting for anything.
    bool Launch();
    HWND MainWindow() const { return mainWindow_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    HANDLE Process() const { return process_.hProcess; }
    const std::string &Directory() const { return directory_; }
    std::string PathOf(const char *name) const { return directory_ + "\\" + name; }
    std::wstring Title() const;
    // The title once it equals `expected`, or the last one seen on time-out.
    std::wstring WaitForTitle(const std::wstring &expected, DWORD timeoutMs = 3000) const;

    HWND WaitForDialog(const wchar_t *title, DWORD timeoutMs = 5000) const;
    // Answers the port and baud-rate dialogs: choose the radio button with the
    // given id (0 keeps the pre-selection) and press OK or Cancel in each.
    bool AnswerPortDialog(int choiceId, bool ok = true) const;
    bool AnswerBaudRateDialog(int choiceId, bool ok = true) const;
    // Both dialogs with OK, then the box that reports the outcome; returns its text.
    std::wstring Connect(int portChoiceId = 0, int baudChoiceId = 0) const;
    std::wstring AnswerMessageBox(DWORD timeoutMs = 5000) const;
    // Id of the checked radio button of a Connect dialog, 0 when none is.
    static int CheckedChoice(HWND dialog);

    // Asks the window to close and waits for the process to end.
    bool Close(DWORD timeoutMs = 10000);
    bool HasExited(DWORD timeoutMs = 0) const;
    DWORD ExitCode() const;

private:
    void EndProcess();
    bool AnswerChoiceDialog(const wchar_t *title, int choiceId, bool ok) const;
    std::string directory_;
    PROCESS_INFORMATION process_;
    HWND mainWindow_;
};
