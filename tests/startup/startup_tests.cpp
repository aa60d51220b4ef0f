#include <gtest/gtest.h>

#include <string>

#include <windows.h>
#include <dde.h>

#include "app/main_window.h"
#include "tests/support/bench_ports.h"
#include "tests/support/build_files.h"
#include "tests/support/far_end.h"
#include "tests/support/in_process_terminal.h"
#include "tests/support/terminal_under_test.h"
#include "tests/support/windows_of_process.h"

namespace {

const char kAllDefaultKeys[] =
    "[VRK]\r\nVersion=2.0(32)\r\nCommPort=0\r\nBaudRate=1200\r\nDdeServiceName=VRK\r\n"
    "LocalEcho=0\r\nWriteLog=1\r\nImsApi=0\r\nEnableUndo=0\r\n";

LONG_PTR StyleOf(HWND window)
{
    return GetWindowLongPtrA(window, GWL_STYLE);
}

TEST(MainWindow, HoldsTheOutputPaneAndTheInputLine)
{
    InProcessTerminal terminal;
    HWND window = terminal.Window();
    ASSERT_TRUE(window);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ("VRKWndClass", name);
    EXPECT_FALSE(IsWindowUnicode(window)) << "DDE clients rely on an ANSI server window";
    EXPECT_EQ(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
              StyleOf(window) & (WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN));

    const TerminalState *state = terminal.State();
    ASSERT_NE(nullptr, state);
    EXPECT_EQ(GetDlgItem(window, 1000), state->outputEdit);
    EXPECT_EQ(GetDlgItem(window, 1001), state->inputEdit);
    EXPECT_EQ(ES_MULTILINE | ES_AUTOVSCROLL, StyleOf(state->outputEdit) & (ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY));
    EXPECT_EQ(0, StyleOf(state->outputEdit) & (WS_VSCROLL | WS_HSCROLL));
    EXPECT_EQ(ES_AUTOHSCROLL, StyleOf(state->inputEdit) & (ES_AUTOHSCROLL | ES_MULTILINE));
    EXPECT_TRUE(GetWindowLongPtrA(state->outputEdit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(1024u, state->sendBufferSize);
    EXPECT_EQ(1024u, GlobalSize(state->sendBuffer));
    EXPECT_EQ(1024u, state->receiveBufferSize);
    EXPECT_EQ(1024u, GlobalSize(state->receiveBuffer));
    EXPECT_EQ(1u, state->timerId);
    EXPECT_EQ(RGB(255, 255, 255), state->customColors[15]);
    EXPECT_EQ(RegisterWindowMessageA("IMS-API-3f1a7c20-5b8e-11d4-9c3d-0a1b2c3d4e5f"), state->imsMessage);
}

TEST(MainWindow, TheFocusGoesToTheInputLine)
{
    InProcessTerminal terminal;
    SetFocus(terminal.Window());
    EXPECT_EQ(terminal.State()->inputEdit, GetFocus());
}

TEST(MainWindow, MessagesWithoutARecordGoToTheDefaultProcedure)
{
    InProcessTerminal terminal;
    HWND window = terminal.Window();
    TerminalState *state = terminal.State();
    SetWindowLongPtrA(window, 0, 0);
    // None of these may touch the detached record.
    SendMessageA(window, WM_TIMER, 1, 0);
    SendMessageA(window, WM_COMMAND, 40128, 0);
    SendMessageA(window, WM_SIZE, 0, 0);
    SendMessageA(window, WM_PASTE, 0, 0);
    SendMessageA(window, WM_SETFOCUS, 0, 0);
    SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetMenu(window)), 0);
    SendMessageA(window, WM_CTLCOLOREDIT, 0, reinterpret_cast<LPARAM>(state->outputEdit));
    SendMessageA(window, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(window), 0);
    SendMessageA(window, WM_APP + 1, 0, 0);
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(state));
    EXPECT_EQ(state, terminal.State());
}

TEST(Startup, ClosingAlwaysSavesTheSettingsEvenWithThePortNeverOpened)
{
    TerminalUnderTest terminal(nullptr);
    ASSERT_TRUE(terminal.Start());
    ASSERT_TRUE(terminal.AnswerPortDialog(0, false));
    ASSERT_TRUE(terminal.Close());
    EXPECT_EQ(0u, terminal.ExitCode());
    EXPECT_EQ(kAllDefaultKeys, ReadWholeFile(terminal.PathOf("VRK.ini")));
}

TEST(Startup, TheNextStartPreselectsTheSavedPortAndRate)
{
    TerminalUnderTest terminal("[VRK]\r\nDdeServiceName=\r\nShiftLock=1\r\n");
    ASSERT_TRUE(terminal.Start());
    ASSERT_TRUE(terminal.AnswerPortDialog(1001));
    ASSERT_TRUE(terminal.AnswerBaudRateDialog(1004));
    terminal.AnswerMessageBox();
    ASSERT_TRUE(terminal.Close());

    ASSERT_TRUE(terminal.Start());
    HWND portDialog = terminal.WaitForDialog(kPortDialogTitle);
    ASSERT_TRUE(portDialog);
    EXPECT_EQ(1001, TerminalUnderTest::CheckedChoice(portDialog));
    ASSERT_TRUE(terminal.AnswerPortDialog(0));
    HWND baudDialog = terminal.WaitForDialog(kBaudRateDialogTitle);
    ASSERT_TRUE(baudDialog);
    EXPECT_EQ(1004, TerminalUnderTest::CheckedChoice(baudDialog));
    ASSERT_TRUE(terminal.AnswerBaudRateDialog(0, false));
    ASSERT_TRUE(terminal.Close());
    std::string ini = ReadWholeFile(terminal.PathOf("VRK.ini"));
    EXPECT_NE(std::string::npos, ini.find("ShiftLock=1\r\n"));
    EXPECT_EQ(std::string::npos, ini.find("DdeServiceName=\r\nDdeServiceName"));
}

TEST(Startup, ASecondInstanceStartsWithAWindowOfItsOwn)
{
    TerminalUnderTest first;
    TerminalUnderTest second;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    EXPECT_NE(first.MainWindow(), second.MainWindow());
    EXPECT_TRUE(first.WaitForDialog(kPortDialogTitle));
    EXPECT_TRUE(second.WaitForDialog(kPortDialogTitle));
    EXPECT_TRUE(first.Close());
    EXPECT_TRUE(second.Close());
}

// A DDE client window of this thread that never answers the terminal's
// terminate, so the terminal's shutdown waits on it.
class SilentDdeClient {
public:
    explicit SilentDdeClient(HWND server)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = RecordAnswer;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "SilentDdeClient";
        RegisterClassA(&windowClass);
        window_ = CreateWindowA("SilentDdeClient", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
        ATOM service = GlobalAddAtomA("VRK");
        ATOM topic = GlobalAddAtomA("Command");
        SendMessageA(server, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(window_), MAKELPARAM(service, topic));
        GlobalDeleteAtom(service);
        GlobalDeleteAtom(topic);
    }
    ~SilentDdeClient() { DestroyWindow(window_); }
    bool WasAnswered() const { return answered_; }

private:
    static LRESULT CALLBACK RecordAnswer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_DDE_ACK)
            answered_ = true;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    static bool answered_;
    HWND window_;
};

bool SilentDdeClient::answered_ = false;

TEST(Shutdown, ASecondCloseDuringTheWaitForDdeClientsEndsTheProgramCleanly)
{
    TerminalUnderTest terminal("[VRK]\r\nBaudRate=9600\r\n");
    ASSERT_TRUE(terminal.Start());
    ASSERT_FALSE(terminal.Connect().empty());
    FarEnd cable(FarPortOf(1));
    ASSERT_TRUE(cable.Write("received once\r\n"));
    Sleep(700);
    SilentDdeClient client(terminal.MainWindow());
    ASSERT_TRUE(client.WasAnswered());
    PostMessageW(terminal.MainWindow(), WM_CLOSE, 0, 0);
    PostMessageW(terminal.MainWindow(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(terminal.HasExited(15000));
    EXPECT_EQ(0u, terminal.ExitCode());
    std::string log;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(terminal.PathOf("*.LOG").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        log = ReadWholeFile(terminal.PathOf(found.cFileName));
        FindClose(search);
    }
    EXPECT_EQ("received once\r\n", log);
}

HWND FindHiddenMainWindow(DWORD processId, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        for (HWND window = FindWindowExA(NULL, NULL, "VRKWndClass", NULL); window;
             window = FindWindowExA(NULL, window, "VRKWndClass", NULL)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId)
                return window;
        }
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return NULL;
}

// The start-up check for another server of the same DDE name waits for that
// server's answer while the window is not yet shown; a close then must end the
// program cleanly, settings saved.
TEST(Shutdown, ACloseWhileTheStartupCheckWaitsEndsTheProgramCleanly)
{
    std::string commandLine = "\"";
    commandLine += VrkBuildFile("dde_server_peer.exe") + "\" VRK silent";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION server = {};
    ASSERT_TRUE(CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &server));
    WaitForInputIdle(server.hProcess, 5000);
    Sleep(300);

    TerminalUnderTest terminal("[VRK]\r\n");
    ASSERT_TRUE(terminal.Launch());
    HWND hidden = FindHiddenMainWindow(terminal.ProcessId(), 5000);
    EXPECT_TRUE(hidden);
    Sleep(300);
    PostMessageA(hidden, WM_CLOSE, 0, 0);
    EXPECT_TRUE(terminal.HasExited(15000));
    EXPECT_EQ(0u, terminal.ExitCode());
    EXPECT_NE(std::string::npos, ReadWholeFile(terminal.PathOf("VRK.ini")).find("Version=2.0(32)"));

    TerminateProcess(server.hProcess, 0);
    WaitForSingleObject(server.hProcess, 5000);
    CloseHandle(server.hProcess);
    CloseHandle(server.hThread);
}

}  // namespace
