#include "tests/support/terminal_under_test.h"

#include "tests/support/build_files.h"
#include "tests/support/message_boxes.h"
#include "tests/support/windows_of_process.h"

TerminalUnderTest::TerminalUnderTest(const char *iniText)
    : directory_(MakeTemporaryDirectory("vrk")), process_(), mainWindow_(NULL)
{
    CopyFileA(VrkBuildFile("VRK.exe").c_str(), PathOf("VRK.exe").c_str(), FALSE);
    if (iniText)
        WriteWholeFile(PathOf("VRK.ini"), iniText);
}

TerminalUnderTest::~TerminalUnderTest()
{
    EndProcess();
    RemoveDirectoryTree(directory_);
}

void TerminalUnderTest::EndProcess()
{
    if (!process_.hProcess)
        return;
    if (!HasExited())
        TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
    mainWindow_ = NULL;
}

bool TerminalUnderTest::Start()
{
    if (!Launch())
        return false;
    WaitForInputIdle(process_.hProcess, 10000);
    mainWindow_ = WaitForTopLevel(process_.dwProcessId, L"VRKWndClass", NULL, 10000);
    return mainWindow_ != NULL;
}

bool TerminalUnderTest::Launch()
{
    EndProcess();
    std::string exe = PathOf("VRK.exe");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    return CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, directory_.c_str(),
                        &startup, &process_);
}

std::wstring TerminalUnderTest::Title() const
{
    return WindowTextOf(mainWindow_);
}

std::wstring TerminalUnderTest::WaitForTitle(const std::wstring &expected, DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    std::wstring title = Title();
    while (title != expected && GetTickCount() - start < timeoutMs) {
        Sleep(20);
        title = Title();
    }
    return title;
}

HWND TerminalUnderTest::WaitForDialog(const wchar_t *title, DWORD timeoutMs) const
{
    return WaitForTopLevel(process_.dwProcessId, kDialogClass, title, timeoutMs);
}

bool TerminalUnderTest::AnswerChoiceDialog(const wchar_t *title, int choiceId, bool ok) const
{
    HWND dialog = WaitForDialog(title);
    if (!dialog)
        return false;
    if (choiceId) {
        HWND button = GetDlgItem(dialog, choiceId);
        if (!button)
            return false;
        SendMessageW(button, BM_CLICK, 0, 0);
    }
    if (!PressDialogButton(dialog, ok ? IDOK : IDCANCEL))
        return false;
    for (int i = 0; i < 200 && IsWindowVisible(dialog); ++i)
        Sleep(10);
    return !IsWindowVisible(dialog);
}

bool TerminalUnderTest::AnswerPortDialog(int choiceId, bool ok) const
{
    return AnswerChoiceDialog(kPortDialogTitle, choiceId, ok);
}

bool TerminalUnderTest::AnswerBaudRateDialog(int choiceId, bool ok) const
{
    return AnswerChoiceDialog(kBaudRateDialogTitle, choiceId, ok);
}

std::wstring TerminalUnderTest::Connect(int portChoiceId, int baudChoiceId) const
{
    if (!AnswerPortDialog(portChoiceId) || !AnswerBaudRateDialog(baudChoiceId))
        return L"";
    return AnswerMessageBox();
}

int TerminalUnderTest::CheckedChoice(HWND dialog)
{
    for (int id = 1000; id < 1010; ++id) {
        HWND button = GetDlgItem(dialog, id);
        if (button && SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
            return id;
    }
    return 0;
}

std::wstring TerminalUnderTest::AnswerMessageBox(DWORD timeoutMs) const
{
    return ::AnswerMessageBox(process_.dwProcessId, timeoutMs);
}

bool TerminalUnderTest::Close(DWORD timeoutMs)
{
    if (!IsWindow(mainWindow_))
        return HasExited(timeoutMs);
    PostMessageW(mainWindow_, WM_CLOSE, 0, 0);
    return HasExited(timeoutMs);
}

bool TerminalUnderTest::HasExited(DWORD timeoutMs) const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD TerminalUnderTest::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}
