#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/ipc/dde_raw_client.h"
#include "tests/ipc/dde_server_peer.h"
#include "tests/ipc/dde_test_support.h"
#include "tests/support/build_files.h"
#include "tests/support/terminal_under_test.h"
#include "tests/support/windows_of_process.h"

namespace {

const wchar_t kDuplicateNotice[] = L"同名のDDEｻｰﾊﾞｰが見つかったので、\nDDEｻｰﾋﾞｽ機能を無効にしました。";

// Another program that serves a DDE name (tests/ipc/dde_server_peer.cpp).
class ServerPeer {
public:
    ServerPeer(const std::string &service, const char *mode) : process_(), window_(NULL)
    {
        std::string commandLine = "\"";
        commandLine += VrkBuildFile("dde_server_peer.exe");
        commandLine += "\" " + service + " " + mode;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process_))
            window_ = WaitForTopLevel(process_.dwProcessId, kServerPeerClassW, NULL, 10000);
    }
    ~ServerPeer()
    {
        if (!process_.hProcess)
            return;
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    ServerPeer(const ServerPeer &) = delete;
    ServerPeer &operator=(const ServerPeer &) = delete;

    HWND Window() const { return window_; }
    LRESULT Count(UINT what) const
    {
        DWORD_PTR count = 0;
        SendMessageTimeoutA(window_, what, 0, 0, SMTO_ABORTIFHUNG, 3000, &count);
        return static_cast<LRESULT>(count);
    }

private:
    PROCESS_INFORMATION process_;
    HWND window_;
};

TEST(DdeProbe, SecondCopyOfTheSameNameInOtherCaseGivesWayAndLeavesTheFirstClean)
{
    std::string name = UniqueServiceName();
    TerminalUnderTest first(IniWithService(name).c_str());
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(first.AnswerPortDialog(0, false));

    TerminalUnderTest second(IniWithService(InLowerCase(name)).c_str());
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(kDuplicateNotice, second.AnswerMessageBox());
    EXPECT_TRUE(second.AnswerPortDialog(0, false));
    EXPECT_EQ(L"VRK", second.Title());
    EXPECT_EQ(L"VRK (" + Widen(name) + L")", first.Title());

    RawDdeClient client;
    client.Initiate(HWND_BROADCAST, name.c_str());
    ASSERT_EQ(1u, client.Answers().size());
    EXPECT_EQ(first.MainWindow(), client.Answers()[0].server);
    ASSERT_TRUE(client.PostTerminate(first.MainWindow()));
    ASSERT_TRUE(client.WaitForTerminate(first.MainWindow()));

    // A conversation left over with the second copy, which no longer serves,
    // would hold the first copy's shutdown until its wait ran out.
    DWORD start = GetTickCount();
    EXPECT_TRUE(first.Close());
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_TRUE(second.Close());
    std::string settings = ReadWholeFile(second.PathOf("VRK.ini"));
    EXPECT_NE(std::string::npos, settings.find("DdeServiceName=" + InLowerCase(name) + "\r\n")) << settings;
}

TEST(DdeProbe, CopiesWithAnotherNameOrNoNameStartWithThePortDialog)
{
    std::string name = UniqueServiceName();
    TerminalUnderTest running(IniWithService(name).c_str());
    ASSERT_TRUE(running.Start());
    ASSERT_TRUE(running.AnswerPortDialog(0, false));
    const struct {
        std::string service;
        std::wstring title;
    } cases[] = {
        {name + "B", L"VRK (" + Widen(name) + L"B)"},
        {"", L"VRK"},
    };
    for (const auto &c : cases) {
        TerminalUnderTest other(IniWithService(c.service).c_str());
        ASSERT_TRUE(other.Start());
        EXPECT_TRUE(other.AnswerPortDialog(0, false)) << c.service;
        EXPECT_EQ(c.title, other.Title());
        EXPECT_TRUE(other.Close());
    }
}

TEST(DdeProbe, EveryServerThatAnswersIsToldTheConversationIsOver)
{
    std::string name = UniqueServiceName();
    ServerPeer one(name, "answer");
    ServerPeer two(InLowerCase(name), "answer");
    ASSERT_TRUE(one.Window() && two.Window());
    TerminalUnderTest terminal(IniWithService(name).c_str());
    ASSERT_TRUE(terminal.Start());
    EXPECT_EQ(kDuplicateNotice, terminal.AnswerMessageBox());
    EXPECT_TRUE(terminal.AnswerPortDialog(0, false));
    for (const ServerPeer *peer : {&one, &two}) {
        EXPECT_EQ(0, peer->Count(kCountConversations));
        EXPECT_EQ(1, peer->Count(kCountTerminates));
    }
    EXPECT_EQ(L"VRK", terminal.Title());
    EXPECT_EQ(0, GlobalFindAtomA(name.c_str()));
}

TEST(DdeProbe, AServerThatNeverAnswersTheTerminateHoldsStartUpForTenSeconds)
{
    std::string name = UniqueServiceName();
    ServerPeer silent(name, "silent");
    ASSERT_TRUE(silent.Window());
    TerminalUnderTest terminal(IniWithService(name).c_str());
    DWORD start = GetTickCount();
    // The window appears only after the wait, which may outlast Start's patience.
    terminal.Start();
    EXPECT_EQ(kDuplicateNotice, terminal.AnswerMessageBox(20000));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 9500u);
    EXPECT_LT(elapsed, 15000u);
    EXPECT_TRUE(terminal.AnswerPortDialog(0, false));
}

TEST(DdeProbe, AHungWindowDelaysStartUpByAFewSecondsAtMost)
{
    ServerPeer hung(UniqueServiceName(), "hang");
    ASSERT_TRUE(hung.Window());
    TerminalUnderTest terminal(IniWithService(UniqueServiceName()).c_str());
    DWORD start = GetTickCount();
    ASSERT_TRUE(terminal.Start());
    EXPECT_TRUE(terminal.AnswerPortDialog(0, false));
    EXPECT_LT(GetTickCount() - start, 5000u);
}

}  // namespace
