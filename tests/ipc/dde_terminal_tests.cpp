#include <gtest/gtest.h>

#include <windows.h>

#include <ddeml.h>

#include <string>

#include "tests/ipc/dde_raw_client.h"
#include "tests/ipc/dde_test_support.h"
#include "tests/support/bench_ports.h"
#include "tests/support/far_end.h"
#include "tests/support/terminal_under_test.h"

namespace {

const int kPort = kCablePorts[0];
const int kFirstPortChoice = 1000;
const int k9600Choice = 1004;
const wchar_t kPortOpened[] = L"通信ポートを開きました。\n文字を入力してEnterキーを押せばULACSに送信されます。";

HDDEDATA CALLBACK IgnoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return NULL;
}

// A client written against the platform's DDE management library, in its
// ANSI or its Unicode form, as most programs that drive the terminal are.
class LibraryClient {
public:
    explicit LibraryClient(bool unicode) : unicode_(unicode), instance_(0), conversation_(NULL)
    {
        UINT result = unicode ? DdeInitializeW(&instance_, IgnoreTransactions, APPCMD_CLIENTONLY, 0)
                              : DdeInitializeA(&instance_, IgnoreTransactions, APPCMD_CLIENTONLY, 0);
        if (result != DMLERR_NO_ERROR)
            instance_ = 0;
    }
    ~LibraryClient()
    {
        Disconnect();
        if (instance_)
            DdeUninitialize(instance_);
    }
    LibraryClient(const LibraryClient &) = delete;
    LibraryClient &operator=(const LibraryClient &) = delete;

    bool Connect(const std::string &service)
    {
        HSZ serviceName = Name(service);
        HSZ topicName = Name("Command");
        conversation_ = DdeConnect(instance_, serviceName, topicName, NULL);
        DdeFreeStringHandle(instance_, serviceName);
        DdeFreeStringHandle(instance_, topicName);
        return conversation_ != NULL;
    }
    void Disconnect()
    {
        if (conversation_)
            DdeDisconnect(conversation_);
        conversation_ = NULL;
    }
    // The execute string in the client's own character set; true when the
    // acknowledgement was positive, with the library's error code.
    bool Execute(const std::string &command, UINT *error)
    {
        if (!unicode_)
            return Transact(command.c_str(), static_cast<DWORD>(command.size() + 1), error);
        std::wstring wide = Widen(command);
        return ExecuteWide(wide, error);
    }
    bool ExecuteWide(const std::wstring &command, UINT *error)
    {
        // Wine's library reads the byte count as a character count when it
        // converts for an ANSI server; the padding keeps that read inside.
        std::wstring padded = command + std::wstring(command.size() + 1, L'\0');
        return Transact(padded.c_str(), static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)), error);
    }
    HWND Partner() const { return Info().hwndPartner; }
    bool IsConnected() const { return (Info().wStatus & ST_CONNECTED) != 0; }

private:
    CONVINFO Info() const
    {
        CONVINFO info = {};
        info.cb = sizeof info;
        DdeQueryConvInfo(conversation_, QID_SYNC, &info);
        return info;
    }
    HSZ Name(const std::string &text) const
    {
        return unicode_ ? DdeCreateStringHandleW(instance_, Widen(text).c_str(), CP_WINUNICODE)
                        : DdeCreateStringHandleA(instance_, text.c_str(), CP_WINANSI);
    }
    bool Transact(const void *bytes, DWORD size, UINT *error)
    {
        DWORD result = 0;
        auto *data = static_cast<LPBYTE>(const_cast<void *>(bytes));
        HDDEDATA done = DdeClientTransaction(data, size, conversation_, NULL, 0, XTYP_EXECUTE, 5000, &result);
        *error = DdeGetLastError(instance_);
        return done != NULL;
    }

    bool unicode_;
    DWORD instance_;
    HCONV conversation_;
};

// The real VRK.exe serving a name of its own.
class DdeTerminal : public ::testing::Test {
protected:
    DdeTerminal() : service_(UniqueServiceName()), terminal_(IniWithService(service_).c_str()) {}

    void SetUp() override { ASSERT_TRUE(terminal_.Start()); }

    void OpenPort() { ASSERT_EQ(kPortOpened, terminal_.Connect(kFirstPortChoice, k9600Choice)); }
    void LeavePortClosed() { ASSERT_TRUE(terminal_.AnswerPortDialog(0, false)); }

    DWORD MillisecondsToCloseWhilePumping()
    {
        DWORD start = GetTickCount();
        PostMessageA(terminal_.MainWindow(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntilExited(terminal_.Process(), 10000));
        return GetTickCount() - start;
    }

    std::string service_;
    TerminalUnderTest terminal_;
};

TEST_F(DdeTerminal, LibraryClientsInBothFormsSendExactBytesAndAreAlwaysAcknowledged)
{
    OpenPort();
    FarEnd farEnd(FarPortOf(kPort));
    ASSERT_TRUE(farEnd.IsOpen());
    for (bool unicode : {false, true}) {
        LibraryClient client(unicode);
        ASSERT_TRUE(client.Connect(unicode ? service_ : InLowerCase(service_))) << unicode;
        EXPECT_EQ(terminal_.MainWindow(), client.Partner());
        const struct {
            const char *command;
            const char *written;
        } cases[] = {
            {"[Send(ABC)]", "ABC"},
            {"[Send(A\r\nB)]", "A\rB"},
            {"[Send(f(x))]", "f(x)"},
            {"[send(x)]", ""},
            {"[Send(x)", ""},
            {"[Send()]", ""},
        };
        std::string expected;
        for (const auto &c : cases) {
            UINT error = 0;
            EXPECT_TRUE(client.Execute(c.command, &error)) << c.command;
            EXPECT_EQ(static_cast<UINT>(DMLERR_NO_ERROR), error) << c.command;
            expected += c.written;
        }
        EXPECT_EQ(expected, farEnd.Read(expected.size())) << unicode;
        EXPECT_EQ("", farEnd.ReadUntilQuiet(200, 1000));
    }
}

TEST_F(DdeTerminal, JapaneseTextReachesTheLineInTheSystemCodePage)
{
    OpenPort();
    FarEnd farEnd(FarPortOf(kPort));
    // 日本語, 表 and ソ (whose second bytes are backslashes), ﾃｽﾄ.
    const std::string shiftJis = "\x93\xfa\x96\x7b\x8c\xea\x95\x5c\x83\x5c\xc3\xbd\xc4";
    LibraryClient ansi(false);
    ASSERT_TRUE(ansi.Connect(service_));
    UINT error = 0;
    EXPECT_TRUE(ansi.Execute("[Send(" + shiftJis + ")]", &error));
    EXPECT_EQ(shiftJis, farEnd.Read(shiftJis.size()));

    LibraryClient wide(true);
    ASSERT_TRUE(wide.Connect(service_));
    EXPECT_TRUE(wide.ExecuteWide(L"[Send(日本語表ソﾃｽﾄ)]", &error));
    EXPECT_EQ(static_cast<UINT>(DMLERR_NO_ERROR), error);
    EXPECT_EQ(shiftJis, farEnd.Read(shiftJis.size()));
    EXPECT_EQ("", farEnd.ReadUntilQuiet(200, 1000));
}

TEST_F(DdeTerminal, RawClientInAnotherProcessGetsItsOwnHandleBackInAPositiveAck)
{
    LeavePortClosed();
    RawDdeClient client;
    ASSERT_EQ(terminal_.MainWindow(), client.Initiate(HWND_BROADCAST, service_.c_str()));
    ASSERT_EQ(1u, client.Answers().size());
    HGLOBAL block = client.PostExecute(terminal_.MainWindow(), std::string("[Send(x)]", 10));
    ReceivedAck ack = {};
    ASSERT_TRUE(client.WaitForAck(&ack));
    EXPECT_EQ(terminal_.MainWindow(), ack.from);
    EXPECT_EQ(0x8000u, ack.status);
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(block), ack.handle);
}

// The terminal leaves the atoms of its answers to the client, as the DDE
// protocol has it; deleting them as well would take references that other
// programs hold on the same names.
TEST_F(DdeTerminal, AtomsThatOtherProgramsHoldSurviveConversations)
{
    LeavePortClosed();
    ATOM heldService = GlobalAddAtomA(service_.c_str());
    ATOM heldTopic = GlobalAddAtomA("Command");
    for (int round = 0; round < 3; ++round) {
        LibraryClient library(round % 2 != 0);
        ASSERT_TRUE(library.Connect(service_));
        RawDdeClient raw;
        ASSERT_TRUE(raw.Initiate(terminal_.MainWindow(), service_.c_str()));
        ASSERT_TRUE(raw.PostTerminate(terminal_.MainWindow()));
        ASSERT_TRUE(raw.WaitForTerminate(terminal_.MainWindow()));
    }
    char name[256] = "";
    EXPECT_LT(0u, GlobalGetAtomNameA(heldService, name, sizeof name));
    EXPECT_EQ(service_, name);
    EXPECT_LT(0u, GlobalGetAtomNameA(heldTopic, name, sizeof name));
    GlobalDeleteAtom(heldService);
    GlobalDeleteAtom(heldTopic);
    EXPECT_EQ(0, GlobalFindAtomA(service_.c_str()));
}

// Memory is measured in the in-process test: across processes Wine keeps the
// copy it makes of every command block in the receiving process.
TEST_F(DdeTerminal, ConversationsFromAnotherProcessLeaveNoAtomBehind)
{
    LeavePortClosed();
    HWND server = terminal_.MainWindow();
    RawDdeClient client;
    for (int cycle = 0; cycle < 1000; ++cycle) {
        ASSERT_EQ(server, client.Initiate(server, service_.c_str())) << cycle;
        client.PostExecute(server, std::string("[Send(x)]", 10));
        ReceivedAck ack = {};
        ASSERT_TRUE(client.WaitForAck(&ack)) << cycle;
        ASSERT_TRUE(client.PostTerminate(server));
        ASSERT_TRUE(client.WaitForTerminate(server)) << cycle;
    }
    EXPECT_EQ(0, GlobalFindAtomA(service_.c_str()));
}

TEST_F(DdeTerminal, ClosingEndsLibraryConversationsWhoseAnswerEndsTheWait)
{
    LeavePortClosed();
    LibraryClient first(false);
    LibraryClient second(true);
    ASSERT_TRUE(first.Connect(service_));
    ASSERT_TRUE(second.Connect(service_));
    ASSERT_TRUE(first.IsConnected() && second.IsConnected());
    EXPECT_LT(MillisecondsToCloseWhilePumping(), 2000u);
    EXPECT_FALSE(first.IsConnected());
    EXPECT_FALSE(second.IsConnected());
}

TEST_F(DdeTerminal, ClosingWaitsABoundedTimeForAClientThatNeverAnswers)
{
    LeavePortClosed();
    RawDdeClient silent;
    silent.AnswerTerminates(false);
    ASSERT_TRUE(silent.Initiate(terminal_.MainWindow(), service_.c_str()));
    DWORD elapsed = MillisecondsToCloseWhilePumping();
    EXPECT_GE(elapsed, 2500u);
    EXPECT_LT(elapsed, 6000u);
    EXPECT_EQ(1, silent.TerminatesFrom(terminal_.MainWindow()));
}

}  // namespace
