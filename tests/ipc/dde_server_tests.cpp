#include <gtest/gtest.h>

#include <dde.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ipc/dde_server.h"
#include "tests/ipc/dde_raw_client.h"
#include "tests/ipc/dde_test_support.h"
#include "tests/support/bench_ports.h"
#include "tests/support/far_end.h"
#include "tests/support/in_process_terminal.h"

namespace {

const int kPort = kCablePorts[0];
const UINT_PTR kPositiveAck = 0x8000;

std::string Terminated(const std::string &command)
{
    return command + '\0';
}

// The real main window in this thread, serving a name of its own; the raw
// clients live in this thread too, so every wait pumps both sides.
class DdeServer : public ::testing::Test {
protected:
    DdeServer() : service_(UniqueServiceName()), terminal_(IniWithService(service_).c_str()) {}

    HWND Server() const { return terminal_.Window(); }
    const DdeServerState &Table() const { return terminal_.State()->ddeServer; }
    bool Connect(RawDdeClient &client) { return client.Initiate(Server(), service_.c_str()) == Server(); }

    std::vector<HWND> TableClients() const
    {
        std::vector<HWND> clients;
        auto *entries = static_cast<const DdeConversation *>(GlobalLock(Table().storage));
        for (LONG i = 0; entries && i < Table().count; ++i)
            clients.push_back(entries[i].client);
        if (entries)
            GlobalUnlock(Table().storage);
        return clients;
    }

    // Executes and checks the acknowledgement every execute must get.
    void Execute(RawDdeClient &client, const std::string &bytes)
    {
        HGLOBAL block = client.PostExecute(Server(), bytes);
        ReceivedAck ack = {};
        ASSERT_TRUE(client.WaitForAck(&ack, 20000)) << bytes.substr(0, 40);
        EXPECT_EQ(Server(), ack.from);
        EXPECT_EQ(kPositiveAck, ack.status) << bytes.substr(0, 40);
        EXPECT_EQ(reinterpret_cast<UINT_PTR>(block), ack.handle);
    }

    DWORD MillisecondsToDestroy()
    {
        DWORD start = GetTickCount();
        DestroyWindow(Server());
        return GetTickCount() - start;
    }

    std::string service_;
    InProcessTerminal terminal_;
};

// --- Initiate -------------------------------------------------------------

TEST_F(DdeServer, ServiceInAnyLetterCaseIsAnsweredInTheClientsSpelling)
{
    std::vector<std::unique_ptr<RawDdeClient>> clients;
    for (const std::string &spelling : {service_, InLowerCase(service_), InUpperCase(service_)}) {
        clients.push_back(std::make_unique<RawDdeClient>());
        EXPECT_EQ(Server(), clients.back()->Initiate(Server(), spelling.c_str())) << spelling;
        ASSERT_EQ(1u, clients.back()->Answers().size());
        EXPECT_EQ(spelling, clients.back()->Answers()[0].service);
        EXPECT_EQ("Command", clients.back()->Answers()[0].topic);
    }
    EXPECT_EQ(3, Table().count);
    EXPECT_EQ(nullptr, Table().entries);
    // The client deleted the answer's atoms and its own; nothing is left over.
    EXPECT_EQ(0, GlobalFindAtomA(service_.c_str()));
}

TEST_F(DdeServer, AnythingButTheServiceAndTopicCommandGetsNoAnswerAndNoEntry)
{
    ATOM service = GlobalAddAtomA(service_.c_str());
    const struct {
        const char *what;
        std::string service;
        const char *topic;
    } named[] = {
        {"other service", "NOT" + service_, "Command"},
        {"longer service", service_ + "X", "Command"},
        {"topic in lower case", service_, "command"},
        {"topic in upper case", service_, "COMMAND"},
        {"topic with a space", service_, "Command "},
        {"other topic", service_, "System"},
    };
    for (const auto &c : named) {
        RawDdeClient client;
        EXPECT_EQ(nullptr, client.Initiate(Server(), c.service.c_str(), c.topic)) << c.what;
    }
    ATOM topic = GlobalAddAtomA("Command");
    const struct {
        const char *what;
        ATOM service;
        ATOM topic;
    } wildcards[] = {
        {"any service", 0, topic},
        {"any topic", service, 0},
        {"anything", 0, 0},
        {"an integer atom", static_cast<ATOM>(0x1234), topic},
        {"an atom that does not exist", static_cast<ATOM>(0xFFFE), topic},
    };
    for (const auto &c : wildcards) {
        RawDdeClient client;
        EXPECT_EQ(nullptr, client.InitiateWithAtoms(Server(), c.service, c.topic)) << c.what;
    }
    EXPECT_EQ(0, Table().count);
    GlobalDeleteAtom(service);
    GlobalDeleteAtom(topic);
}

TEST_F(DdeServer, ASecondInitiateFromAConnectedWindowIsIgnored)
{
    RawDdeClient client;
    ASSERT_TRUE(Connect(client));
    EXPECT_EQ(nullptr, client.Initiate(Server(), service_.c_str()));
    EXPECT_EQ(1, Table().count);
}

TEST(DdeServerOff, WithoutAServiceNameNoDdeMessageIsAnswered)
{
    InProcessTerminal terminal("[VRK]\r\nDdeServiceName=\r\n");
    RawDdeClient client;
    EXPECT_EQ(nullptr, client.Initiate(terminal.Window(), "VRK"));
    EXPECT_EQ(nullptr, client.Initiate(terminal.Window(), ""));
    client.PostExecute(terminal.Window(), Terminated("[Send(x)]"));
    EXPECT_FALSE(client.AnyAckWithin(200));
    EXPECT_EQ(0, terminal.State()->ddeServer.count);
}

TEST_F(DdeServer, TableGrowsByTenAndKeepsTheOrderOfConversationsThroughCompaction)
{
    std::vector<std::unique_ptr<RawDdeClient>> clients;
    std::vector<HWND> expected;
    for (int i = 0; i < 25; ++i) {
        clients.push_back(std::make_unique<RawDdeClient>());
        ASSERT_TRUE(Connect(*clients.back()));
        expected.push_back(clients.back()->Window());
        EXPECT_EQ((i / 10 + 1) * 10, Table().capacity);
    }
    EXPECT_EQ(expected, TableClients());
    for (int leaving : {20, 3, 0}) {
        ASSERT_TRUE(clients[leaving]->PostTerminate(Server()));
        EXPECT_TRUE(clients[leaving]->WaitForTerminate(Server()));
        expected.erase(std::find(expected.begin(), expected.end(), clients[leaving]->Window()));
    }
    EXPECT_EQ(expected, TableClients());
    EXPECT_EQ(30, Table().capacity);
}

// --- Execute ----------------------------------------------------------------

TEST_F(DdeServer, SendWritesTheTextExactlyWithoutLineFeedsAndAcknowledgesEveryExecute)
{
    ASSERT_TRUE(terminal_.OpenPortQuietly(kPort));
    FarEnd farEnd(FarPortOf(kPort));
    ASSERT_TRUE(farEnd.IsOpen());
    RawDdeClient client;
    ASSERT_TRUE(Connect(client));
    const struct {
        std::string command;
        std::string written;
    } cases[] = {
        {Terminated("[Send(ABC)]"), "ABC"},
        {Terminated("[Send(A\r\nB)]"), "A\rB"},
        {Terminated("[Send(\n\n)]"), ""},
        {Terminated("[Send()]"), ""},
        {Terminated("[Send(a)(b)]"), "a)(b"},
        {Terminated("[Send(f(x))]"), "f(x)"},
        {Terminated("[Send(\x93\xfa\x96\x7b\x95\x5c)]"), "\x93\xfa\x96\x7b\x95\x5c"},
        // The block's size bounds an unterminated string, and a NUL ends one early.
        {"[Send(unterminated)]", "unterminated"},
        {std::string("[Send(cut)]\0[Send(x)]", 21), "cut"},
        {"[Send(x)]garbage", ""},
        // Not the command: acknowledged all the same, and nothing runs.
        {Terminated("[send(x)]"), ""},
        {Terminated("[ Send(x)]"), ""},
        {Terminated("[Send (x)]"), ""},
        {Terminated("Send(x)"), ""},
        {Terminated("[Send(x)"), ""},
        {Terminated("[Send(x]"), ""},
        {Terminated(""), ""},
        {"", ""},
    };
    std::string expected;
    for (const auto &c : cases) {
        Execute(client, c.command);
        expected += c.written;
    }
    EXPECT_EQ(expected, farEnd.Read(expected.size()));
    EXPECT_EQ("", farEnd.ReadUntilQuiet(200, 1000));
}

TEST_F(DdeServer, LongTextsAreWrittenWholeAndRandomBlocksAreSafe)
{
    ASSERT_TRUE(terminal_.OpenPortQuietly(kPort));
    FarEnd farEnd(FarPortOf(kPort));
    RawDdeClient client;
    ASSERT_TRUE(Connect(client));
    std::string longest(1024 * 1024, 'y');
    for (size_t length : {size_t{512}, size_t{10 * 1024}, longest.size()}) {
        std::string text = longest.substr(0, length);
        text[length / 2] = ')';
        text[length / 3] = '(';
        std::string received;
        std::thread reader([&] { received = farEnd.Read(text.size(), 30000); });
        Execute(client, Terminated("[Send(" + text + ")]"));
        reader.join();
        EXPECT_EQ(text.size(), received.size());
        EXPECT_TRUE(text == received) << length;
    }
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(random() % 700, '\0');
        for (char &byte : bytes)
            byte = static_cast<char>(random() % 255 + 1);
        if (round % 2)
            bytes = "[Send(" + bytes.substr(0, bytes.size() / 2) + ")]";
        Execute(client, bytes);
        if (::testing::Test::HasFailure())
            break;
    }
    farEnd.Discard();
}

TEST_F(DdeServer, AnExecuteOutsideAConnectedConversationGetsNoReplyOfAnyKind)
{
    RawDdeClient stranger;
    stranger.PostExecute(Server(), Terminated("[Send(x)]"));
    EXPECT_FALSE(stranger.AnyAckWithin(200));

    RawDdeClient finished;
    ASSERT_TRUE(Connect(finished));
    ASSERT_TRUE(finished.PostTerminate(Server()));
    ASSERT_TRUE(finished.WaitForTerminate(Server()));
    finished.PostExecute(Server(), Terminated("[Send(x)]"));
    EXPECT_FALSE(finished.AnyAckWithin(200));
    EXPECT_EQ(0, stranger.TerminatesFrom(Server()));
}

TEST_F(DdeServer, LocalEchoShowsWhatWasSentEvenWithoutAnOpenPort)
{
    RawDdeClient client;
    ASSERT_TRUE(Connect(client));
    Execute(client, Terminated("[Send(quiet)]"));
    EXPECT_EQ(std::string::npos, terminal_.Output().find("quiet"));
    terminal_.State()->localEcho = 1;
    Execute(client, Terminated("[Send(lo\nud)]"));
    EXPECT_NE(std::string::npos, terminal_.Output().find("loud"));
}

// The execute is handed to its handler directly: posting it makes Wine keep a
// copy of every command block in the receiving process, which would hide any
// growth of the server's own, and would hand the server that copy instead of
// the block whose survival is checked here.
TEST_F(DdeServer, TenThousandConversationsLeaveNoAtomNoEntryAndNoGrowingMemory)
{
    RawDdeClient client;
    SIZE_T warmedUp = 0;
    for (int cycle = 0; cycle < 10000; ++cycle) {
        ASSERT_TRUE(Connect(client)) << cycle;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
        if (char *bytes = static_cast<char *>(GlobalLock(block))) {
            strcpy(bytes, "[Send(x)]");
            GlobalUnlock(block);
        }
        HandleDdeExecute(Server(), client.Window(),
                         PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block)));
        ReceivedAck ack = {};
        ASSERT_TRUE(client.WaitForAck(&ack)) << cycle;
        ASSERT_NE(static_cast<UINT>(GMEM_INVALID_HANDLE), GlobalFlags(block)) << "the server freed the block";
        GlobalFree(block);
        ASSERT_TRUE(client.PostTerminate(Server()));
        ASSERT_TRUE(client.WaitForTerminate(Server())) << cycle;
        if (cycle == 999)
            warmedUp = PrivateBytesOf(GetCurrentProcess());
    }
    EXPECT_EQ(0, GlobalFindAtomA(service_.c_str()));
    EXPECT_EQ(0, Table().count);
    EXPECT_EQ(10, Table().capacity);
    EXPECT_LT(PrivateBytesOf(GetCurrentProcess()) - warmedUp, SIZE_T{64 * 1024});
}

// The client's window is gone by the time its execute is handled: the post of
// the acknowledgement fails, and its packed parameter is the server's to free.
TEST_F(DdeServer, AcknowledgementsThatCannotBePostedAreFreed)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    SIZE_T warmedUp = 0;
    for (int cycle = 0; cycle < 3000; ++cycle) {
        auto client = std::make_unique<RawDdeClient>();
        ASSERT_TRUE(Connect(*client)) << cycle;
        HWND gone = client->Window();
        client.reset();
        HandleDdeExecute(Server(), gone, PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block)));
        HandleDdeTerminate(Server(), gone);
        PumpMessages(0);
        if (cycle == 499)
            warmedUp = PrivateBytesOf(GetCurrentProcess());
    }
    GlobalFree(block);
    EXPECT_EQ(0, Table().count);
    EXPECT_LT(PrivateBytesOf(GetCurrentProcess()) - warmedUp, SIZE_T{64 * 1024});
}

// --- Terminate ----------------------------------------------------------------

TEST_F(DdeServer, ClientEndsItsConversationAndCanStartANewOneFromTheSameWindow)
{
    RawDdeClient client;
    RawDdeClient other;
    ASSERT_TRUE(Connect(client));
    ASSERT_TRUE(Connect(other));
    ASSERT_TRUE(client.PostTerminate(Server()));
    EXPECT_TRUE(client.WaitForTerminate(Server()));
    EXPECT_EQ(std::vector<HWND>{other.Window()}, TableClients());
    Execute(other, Terminated("[Send(x)]"));

    ASSERT_TRUE(Connect(client));
    Execute(client, Terminated("[Send(y)]"));
    EXPECT_EQ((std::vector<HWND>{other.Window(), client.Window()}), TableClients());
}

TEST_F(DdeServer, TwoClientsAtOnceEachGetTheirOwnAcknowledgements)
{
    RawDdeClient first;
    RawDdeClient second;
    ASSERT_TRUE(Connect(first));
    ASSERT_TRUE(Connect(second));
    HGLOBAL one = first.PostExecute(Server(), Terminated("[Send(1)]"));
    HGLOBAL two = second.PostExecute(Server(), Terminated("[Send(2)]"));
    ReceivedAck ack = {};
    ASSERT_TRUE(second.WaitForAck(&ack));
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(two), ack.handle);
    ASSERT_TRUE(first.WaitForAck(&ack));
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(one), ack.handle);
    EXPECT_FALSE(first.AnyAckWithin(100) || second.AnyAckWithin(100));
}

TEST_F(DdeServer, TerminateFromAWindowWithoutAConversationIsNotAnswered)
{
    RawDdeClient connected;
    ASSERT_TRUE(Connect(connected));
    RawDdeClient stranger;
    ASSERT_TRUE(stranger.PostTerminate(Server()));
    EXPECT_FALSE(stranger.WaitForTerminate(Server(), 200));
    EXPECT_EQ(1, Table().count);
}

// --- Shutdown -------------------------------------------------------------------

TEST_F(DdeServer, ShutdownEndsEveryConversationInOrderAndTheAnswersEndTheWait)
{
    std::vector<std::unique_ptr<RawDdeClient>> clients;
    std::vector<int> ended;
    for (int i = 0; i < 3; ++i) {
        clients.push_back(std::make_unique<RawDdeClient>());
        ASSERT_TRUE(Connect(*clients.back()));
        clients.back()->OnUnaskedTerminate([&ended, i] { ended.push_back(i); });
    }
    EXPECT_LT(MillisecondsToDestroy(), 1000u);
    EXPECT_EQ((std::vector<int>{0, 1, 2}), ended);
}

TEST_F(DdeServer, ShutdownWaitsABoundedTimeForAClientThatNeverAnswers)
{
    RawDdeClient silent;
    silent.AnswerTerminates(false);
    ASSERT_TRUE(Connect(silent));
    DWORD elapsed = MillisecondsToDestroy();
    EXPECT_GE(elapsed, 2500u);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_EQ(1, silent.TerminatesFrom(Server()));
}

TEST_F(DdeServer, ShutdownDoesNotWaitForAClientWhoseWindowIsGone)
{
    auto gone = std::make_unique<RawDdeClient>();
    ASSERT_TRUE(Connect(*gone));
    gone.reset();
    EXPECT_LT(MillisecondsToDestroy(), 1000u);
}

TEST_F(DdeServer, AClientEndingItsConversationDuringShutdownEndsTheWaitForIt)
{
    RawDdeClient leaving;
    leaving.AnswerTerminates(false);
    ASSERT_TRUE(Connect(leaving));
    // Its own terminate crosses the one the shutdown posts.
    ASSERT_TRUE(leaving.PostTerminate(Server()));
    EXPECT_LT(MillisecondsToDestroy(), 1000u);
    EXPECT_TRUE(leaving.WaitForTerminate(Server()));
}

TEST_F(DdeServer, ConversationsBegunDuringTheShutdownWaitAreEndedToo)
{
    std::vector<std::unique_ptr<RawDdeClient>> clients;
    for (int i = 0; i < 9; ++i) {
        clients.push_back(std::make_unique<RawDdeClient>());
        ASSERT_TRUE(Connect(*clients.back()));
    }
    // While the first one is being ended, a dozen more arrive; the table has
    // to grow twice under the wait, which holds its entry by window.
    std::vector<std::unique_ptr<RawDdeClient>> latecomers;
    clients.front()->OnUnaskedTerminate([&] {
        for (int i = 0; i < 12; ++i) {
            latecomers.push_back(std::make_unique<RawDdeClient>());
            Connect(*latecomers.back());
        }
    });
    EXPECT_LT(MillisecondsToDestroy(), 2000u);
    ASSERT_EQ(12u, latecomers.size());
    for (const auto &client : clients)
        EXPECT_EQ(1, client->TerminatesFrom(Server()));
    for (const auto &client : latecomers)
        EXPECT_EQ(1, client->TerminatesFrom(Server()));
}

}  // namespace
