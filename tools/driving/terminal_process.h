// The real VRK.exe, run from a fresh directory of its own so that its
// settings file and daily logs belong to one run.
#pragma once

#include <windows.h>

#include <string>

#include "tools/driving/files.h"

inline constexpr wchar_t kPortDialogTitle[] = L"通信ポートの選択";
inline constexpr wchar_t kBaudRateDialogTitle[] = L"ボーレイトの選択";
inline constexpr int kInputLineId = 1001;
inline constexpr int kOutputPaneId = 1000;

class TerminalProcess {
public:
    // iniText is written as VRK.ini beside the copied exe; NULL writes none.
    // exe is the program to copy, by default the VRK.exe of this build.
    explicit TerminalProcess(const char *iniText, const std::string &exe = BuildFile("VRK.exe"));
    ~TerminalProcess();
    TerminalProcess(const TerminalProcess &) = delete;
    TerminalProcess &operator=(const TerminalProcess &) = delete;

    // Starts the program (again, after it ended) with the arguments given and
    // waits for its main window.
    bool Start(const std::string &arguments = "");
    // Starts it without waiting for anything.
    bool Launch(const std::string &arguments = "");
    HWND MainWindow() const { return mainWindow_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    HANDLE Process() const { return process_.hProcess; }
    const std::string &Directory() const { return directory_; }
    std::string PathOf(const char *name) const { return directory_ + "\\" + name; }

    // Answers a Connect dialog: checks the radio button choiceId (0 keeps the
    // pre-selection, -1 unchecks them all) and presses OK or Cancel.
    bool AnswerDialog(const wchar_t *title, int choiceId, bool ok) const;
    // Both dialogs with OK and their pre-selections; returns the text of the
    // box that reports the outcome.
    std::wstring Connect() const;

    // Asks the window to close and waits for the process to end.
    bool Close(DWORD timeoutMs = 10000);
    bool HasExited(DWORD timeoutMs) const;
    DWORD ExitCode() const;

private:
    void EndProcess();
    std::string directory_;
    PROCESS_INFORMATION process_;
    HWND mainWindow_;
};
