#include "tools/driving/terminal_process.h"

#include "tools/driving/window_search.h"

TerminalProcess::TerminalProcess(const char *iniText, const std::string &exe)
    : directory_(MakeTemporaryDirectory("vrk")), process_(), mainWindow_(NULL)
{
    CopyFileA(exe.c_str(), PathOf("VRK.exe").c_str(), FALSE);
    if (iniText)
        WriteWholeFile(PathOf("VRK.ini"), iniText);
}

TerminalProcess::~TerminalProcess()
{
    EndProcess();
    RemoveDirectoryTree(directory_);
}

void TerminalProcess::EndProcess()
{
    if (!process_.hProcess)
        return;
    if (!HasExited(0))
        TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
    mainWindow_ = NULL;
}

bool TerminalProcess::Start(const std::string &arguments)
{
    if (!Launch(arguments))
        return false;
    mainWindow_ = WaitForTopLevel(process_.dwProcessId, L"VRKWndClass", NULL, 20000);
    return mainWindow_ != NULL;
}

bool TerminalProcess::Launch(const std::string &arguments)
{
    EndProcess();
    std::string exe = PathOf("VRK.exe");
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, directory_.c_str(), &startup,
                          &process_) != FALSE;
}

bool TerminalProcess::AnswerDialog(const wchar_t *title, int choiceId, bool ok) const
{
    HWND dialog = WaitForTopLevel(process_.dwProcessId, kDialogClass, title, 5000);
    if (!dialog)
        return false;
    for (int id = 1000; choiceId && id < 1010; ++id)
        SendMessageW(GetDlgItem(dialog, id), BM_SETCHECK, id == choiceId ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!PressDialogButton(dialog, ok ? IDOK : IDCANCEL))
        return false;
    for (int i = 0; i < 200 && IsWindowVisible(dialog); ++i)
        Sleep(10);
    return !IsWindowVisible(dialog);
}

std::wstring TerminalProcess::Connect() const
{
    if (!AnswerDialog(kPortDialogTitle, 0, true) || !AnswerDialog(kBaudRateDialogTitle, 0, true))
        return L"";
    return AnswerMessageBox(process_.dwProcessId);
}

bool TerminalProcess::Close(DWORD timeoutMs)
{
    // Until start-up is over the window is not shown yet.
    HWND window = mainWindow_ ? mainWindow_ : WaitForTopLevel(process_.dwProcessId, L"VRKWndClass", NULL, 0, false);
    if (IsWindow(window))
        PostMessageW(window, WM_CLOSE, 0, 0);
    return HasExited(timeoutMs);
}

bool TerminalProcess::HasExited(DWORD timeoutMs) const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD TerminalProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}
