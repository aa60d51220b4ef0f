// The real VRK.exe against clients of the platform's DDE library, a raw
// client in another process, a second copy of itself and stand-in servers.
#include <gtest/gtest.h>

#include <windows.h>

#include <ddeml.h>

#include <string>

#include "tests/ipc/dde_server_peer.h"
#include "tests/ipc/dde_test_support.h"
#include "tests/ipc/peer_support.h"
#include "tests/support/bench_ports.h"
#include "tests/support/build_files.h"
#include "tests/support/far_end.h"
#include "tests/support/terminal_under_test.h"
#include "tests/support/windows_of_process.h"

namespace {

const int kPort = kCablePorts[0];
const int kFirstPortChoice = 1000;
const int k9600Choice = 1004;
const wchar_t kPortOpened[] = L"通信ポートを開きました。\n文字を入力してEnterキーを押せばULACSに送信されます。";
const wchar_t kDuplicateNotice[] = L"同名のDDEｻｰﾊﾞｰが見つかったので、\nDDEｻｰﾋﾞｽ機能を無効にしました。";

HDDEDATA CALLBACK IgnoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return NULL;
}

// A client written against the platform's DDE management library, in its
// ANSI or its Unicode form, as most programs that drive the terminal are.
class LibraryClient {
public:
    explicit LibraryClient(bool unicode) : unicode_(unicode)
    {
        if (unicode)
            DdeInitializeW(&instance_, IgnoreTransactions, APPCMD_CLIENTONLY, 0);
        else
            DdeInitializeA(&instance_, IgnoreTransactions, APPCMD_CLIENTONLY, 0);
    }
    ~LibraryClient()
    {
        DdeDisconnect(conversation_);
        DdeUninitialize(instance_);
    }
    LibraryClient(const LibraryClient &) = delete;
    LibraryClient &operator=(const LibraryClient &) = delete;

    bool Connect(const std::string &service)
    {
        HSZ serviceName = DdeCreateStringHandleA(instance_, service.c_str(), CP_WINANSI);
        HSZ topicName = DdeCreateStringHandleA(instance_, "Command", CP_WINANSI);
        conversation_ = DdeConnect(instance_, serviceName, topicName, NULL);
        DdeFreeStringHandle(instance_, serviceName);
        DdeFreeStringHandle(instance_, topicName);
        return conversation_ != NULL;
    }
    // The execute string in the client's own character set; true when the
    // acknowledgement was positive and the library reports no error.
    bool Execute(const std::string &command)
    {
        if (unicode_)
            return ExecuteWide(Widen(command));
        return Transact(command.c_str(), static_cast<DWORD>(command.size() + 1));
    }
    bool ExecuteWide(const std::wstring &command)
    {
        // Wine's library reads the byte count as a character count when it
        // converts for an ANSI server; the padding keeps that read inside.
        std::wstring padded = command + std::wstring(command.size() + 1, L'\0');
        return Transact(padded.c_str(), static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }
    bool IsConnected() const
    {
        CONVINFO info = {};
        info.cb = sizeof info;
        return DdeQueryConvInfo(conversation_, QID_SYNC, &info) && (info.wStatus & ST_CONNECTED);
    }

private:
    bool Transact(const void *bytes, DWORD size)
    {
        auto *data = static_cast<LPBYTE>(const_cast<void *>(bytes));
        DWORD result = 0;
        HDDEDATA done = DdeClientTransaction(data, size, conversation_, NULL, 0, XTYP_EXECUTE, 5000, &result);
        return done != NULL && DdeGetLastError(instance_) == DMLERR_NO_ERROR;
    }

    bool unicode_;
    DWORD instance_ = 0;
    HCONV conversation_ = NULL;
};

// Closing ends the clients' conversations: each answers, which ends the wait.
TEST(DdeTerminal, LibraryClientsInBothFormsSendExactBytesAreAlwaysAcknowledgedAndEndedAtClose)
{
    const std::string service = UniqueServiceName();
    TerminalUnderTest terminal(IniWithService(service).c_str());
    ASSERT_TRUE(terminal.Start());
    ASSERT_EQ(kPortOpened, terminal.Connect(kFirstPortChoice, k9600Choice));
    FarEnd farEnd(FarPortOf(kPort));
    ASSERT_TRUE(farEnd.IsOpen());
    // 日本語, 表 and ソ (whose second bytes are backslashes), ﾃｽﾄ.
    const std::string shiftJis = "\x93\xfa\x96\x7b\x8c\xea\x95\x5c\x83\x5c\xc3\xbd\xc4";
    LibraryClient ansi(false);
    LibraryClient wide(true);
    for (LibraryClient *client : {&ansi, &wide}) {
        SCOPED_TRACE(client == &wide ? "Unicode" : "ANSI");
        ASSERT_TRUE(client->Connect(client == &wide ? service : InLowerCase(service)));
        // Not the command, yet acknowledged as positively as the others.
        EXPECT_TRUE(client->Execute("[send(x)]"));
        EXPECT_TRUE(client->Execute("[Send(A\r\nB)]"));
        EXPECT_TRUE(client == &wide ? wide.ExecuteWide(L"[Send(日本語表ソﾃｽﾄ)]")
                                    : ansi.Execute("[Send(" + shiftJis + ")]"));
        EXPECT_EQ("A\rB" + shiftJis, farEnd.Read(2 + shiftJis.size()));
        EXPECT_EQ("", farEnd.ReadUntilQuiet(200, 1000));
    }
    DWORD start = GetTickCount();
    PostMessageA(terminal.MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return terminal.HasExited(); }, 10000));
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_FALSE(ansi.IsConnected() || wide.IsConnected());
}

// --- The duplicate-service probe at start-up ------------------------------------

// Another program serving a DDE name (tests/ipc/dde_server_peer.cpp).
class ServerPeer {
public:
    ServerPeer(const std::string &service, const char *mode)
        : process_("dde_server_peer.exe", service + " " + mode),
          window_(WaitForTopLevel(process_.Id(), kServerPeerClassW, NULL, 10000))
    {
    }
    HWND Window() const { return window_; }
    LRESULT Count(UINT what) const
    {
        DWORD_PTR count = 0;
        SendMessageTimeoutA(window_, what, 0, 0, SMTO_ABORTIFHUNG, 3000, &count);
        return static_cast<LRESULT>(count);
    }

private:
    PeerProcess process_;
    HWND window_;
};

TEST(DdeProbe, ACopyServingTheSameNameInOtherCaseGivesWayAndLeavesTheFirstClean)
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

    TerminalUnderTest third(IniWithService(name + "B").c_str());
    ASSERT_TRUE(third.Start());
    EXPECT_TRUE(third.AnswerPortDialog(0, false)) << "another name is no duplicate";
    EXPECT_EQ(L"VRK (" + Widen(name) + L"B)", third.Title());

    RawDdeClient client;
    client.Initiate(HWND_BROADCAST, name.c_str());
    ASSERT_EQ(1u, client.Answers().size());
    EXPECT_EQ(first.MainWindow(), client.Answers()[0]);
    // Wine copies a command block for the receiving process; the
    // acknowledgement must name the client's own all the same.
    HGLOBAL block = client.PostExecute(first.MainWindow(), std::string("[Send(x)]", 10));
    ReceivedAck ack = {};
    ASSERT_TRUE(client.WaitForAck(&ack));
    EXPECT_EQ(0x8000u, ack.status);
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(block), ack.handle);
    ASSERT_TRUE(client.Terminate(first.MainWindow()));

    // A conversation left over with the second copy, which no longer serves,
    // would hold the first copy's shutdown until its wait ran out.
    DWORD start = GetTickCount();
    EXPECT_TRUE(first.Close());
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_TRUE(second.Close());
    std::string settings = ReadWholeFile(second.PathOf("VRK.ini"));
    EXPECT_NE(std::string::npos, settings.find("DdeServiceName=" + InLowerCase(name) + "\r\n")) << settings;
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
        EXPECT_EQ(0, peer->Count(kCountOpen));
        EXPECT_EQ(1, peer->Count(kCountTerminates));
    }
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
