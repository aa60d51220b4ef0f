#include <gtest/gtest.h>

#include <dde.h>
#include <psapi.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ipc/dde_server.h"
#include "tests/ipc/dde_test_support.h"
#include "tests/ipc/peer_support.h"
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

using Clients = std::vector<std::unique_ptr<RawDdeClient>>;

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.PagefileUsage : 0;
}

// The real main window in this thread, serving a name of its own; the raw
// clients live in this thread too, so every wait pumps both sides.
class DdeServer : public ::testing::Test {
protected:
    DdeServer() : service_(UniqueServiceName()), terminal_(IniWithService(service_).c_str()) {}

    HWND Server() const { return terminal_.Window(); }
    const DdeServerState &Table() const { return terminal_.State()->ddeServer; }
    bool Connect(RawDdeClient &client) { return client.Initiate(Server(), service_.c_str()) == Server(); }

    Clients ConnectedClients(int count)
    {
        Clients clients;
        for (int i = 0; i < count; ++i) {
            clients.push_back(std::make_unique<RawDdeClient>());
            EXPECT_TRUE(Connect(*clients.back()));
        }
        return clients;
    }

    // Executes and checks the acknowledgement every execute must get: its own
    // block back, positive, with nothing else set.
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

TEST_F(DdeServer, AnythingButTheServiceAndTopicCommandGetsNoAnswerAndNoEntry)
{
    // An empty name stands for the zero atom, the wildcard; "#4660" makes an
    // integer atom. Atoms are made one case at a time: the atom table ignores
    // letter case and keeps the first spelling.
    const std::pair<std::string, std::string> cases[] = {
        {"NOT" + service_, "Command"}, {service_ + "X", "Command"}, {service_, "command"},
        {service_, "Command "},        {service_, "System"},        {"", "Command"},
        {service_, ""},                {"#4660", "Command"},
    };
    for (const auto &[service, topic] : cases) {
        RawDdeClient client;
        EXPECT_EQ(nullptr, client.Initiate(Server(), service.c_str(), topic.c_str())) << service << "|" << topic;
    }
    RawDdeClient client;
    const ATOM topic = GlobalAddAtomA("Command");
    EXPECT_EQ(nullptr, client.InitiateWithAtoms(Server(), 0xFFFE, topic)) << "an atom that names nothing";
    GlobalDeleteAtom(topic);
    EXPECT_EQ(0, Table().count);
}

TEST(DdeServerOff, WithoutAServiceNameNoDdeMessageIsAnswered)
{
    InProcessTerminal terminal("[VRK]\r\nDdeServiceName=\r\n");
    RawDdeClient client;
    EXPECT_EQ(nullptr, client.Initiate(terminal.Window(), "VRK"));
    EXPECT_EQ(nullptr, client.Initiate(terminal.Window(), ""));
    client.PostExecute(terminal.Window(), Terminated("[Send(x)]"));
    ReceivedAck ack = {};
    EXPECT_FALSE(client.WaitForAck(&ack, 200));
    EXPECT_EQ(0, terminal.State()->ddeServer.count);
}

// --- Conversations ------------------------------------------------------------

// Grouped by conversation state: connected, never connected, ended and begun
// again from the same window.
TEST_F(DdeServer, OnlyConnectedClientsAreAnsweredEachWithItsOwnAcknowledgements)
{
    RawDdeClient client;
    RawDdeClient other;
    RawDdeClient stranger;
    ASSERT_TRUE(Connect(client));
    ASSERT_TRUE(Connect(other));
    EXPECT_EQ(nullptr, client.Initiate(Server(), service_.c_str())) << "already connected";
    EXPECT_EQ(2, Table().count);
    HGLOBAL one = client.PostExecute(Server(), Terminated("[Send(1)]"));
    HGLOBAL two = other.PostExecute(Server(), Terminated("[Send(2)]"));
    ReceivedAck ack = {};
    ASSERT_TRUE(other.WaitForAck(&ack));
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(two), ack.handle);
    ASSERT_TRUE(client.WaitForAck(&ack));
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(one), ack.handle);
    EXPECT_FALSE(client.WaitForAck(&ack, 100) || other.WaitForAck(&ack, 100)) << "one each";

    stranger.PostExecute(Server(), Terminated("[Send(x)]"));
    EXPECT_FALSE(stranger.WaitForAck(&ack, 200));
    EXPECT_FALSE(stranger.Terminate(Server(), 200));

    EXPECT_TRUE(client.Terminate(Server()));
    EXPECT_EQ(1, Table().count);
    client.PostExecute(Server(), Terminated("[Send(x)]"));
    EXPECT_FALSE(client.WaitForAck(&ack, 200)) << "after its terminate";
    ASSERT_TRUE(Connect(client));
    Execute(client, Terminated("[Send(y)]"));
    EXPECT_EQ(2, Table().count);
    EXPECT_EQ(0, stranger.Terminates());
}

// --- Execute ----------------------------------------------------------------

// Strings are measured within their blocks, whatever their length; random
// blocks are acknowledged like any other.
TEST_F(DdeServer, SendWritesTheTextExactlyWithoutLineFeedsAndEveryExecuteIsAcknowledged)
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
        {Terminated("[Send(A\r\nB)]"), "A\rB"},
        {Terminated("[Send(\n\n)]"), ""},
        {Terminated("[Send(f(x)\x93\xfa\x96\x7b\x95\x5c)]"), "f(x)\x93\xfa\x96\x7b\x95\x5c"},
        // The block's size bounds an unterminated string, and a NUL ends one early.
        {"[Send(unterminated)]", "unterminated"},
        {std::string("[Send(cut)]\0[Send(x)]", 21), "cut"},
        {"[Send(x)]garbage", ""},
        // Not the command: acknowledged all the same, and nothing runs.
        {Terminated("[send(x)]"), ""},
        {"", ""},
    };
    std::string expected;
    for (const auto &c : cases) {
        Execute(client, c.command);
        expected += c.written;
    }
    EXPECT_EQ(expected, farEnd.Read(expected.size()));
    EXPECT_EQ("", farEnd.ReadUntilQuiet(200, 1000));

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
    for (int round = 0; round < 200 && !HasFailure(); ++round) {
        std::string bytes(random() % 700, '\0');
        for (char &byte : bytes)
            byte = static_cast<char>(random() % 255 + 1);
        Execute(client, round % 2 ? "[Send(" + bytes.substr(0, bytes.size() / 2) + ")]" : bytes);
    }
    farEnd.Discard();
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
// the block whose survival is checked here. In the first 3,000 cycles a
// second client's window is gone before its execute is handled: the post of
// the acknowledgement fails, and its packed parameter is the server's to free.
// The service's name is held throughout, as another program may hold it: the
// atoms of an answer are the client's to delete, and deleting them in the
// server as well would take that program's reference.
TEST_F(DdeServer, TenThousandConversationsLeaveNoAtomNoEntryAndNoGrowingMemory)
{
    const ATOM held = GlobalAddAtomA(service_.c_str());
    auto execute = [this](HWND client, HGLOBAL block) {
        HandleDdeExecute(Server(), client, PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block)));
    };
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    if (char *bytes = static_cast<char *>(GlobalLock(block))) {
        strcpy(bytes, "[Send(x)]");
        GlobalUnlock(block);
    }
    RawDdeClient client;
    SIZE_T warmedUp = 0;
    for (int cycle = 0; cycle < 10000; ++cycle) {
        ASSERT_TRUE(Connect(client)) << cycle;
        execute(client.Window(), block);
        ReceivedAck ack = {};
        ASSERT_TRUE(client.WaitForAck(&ack)) << cycle;
        ASSERT_NE(static_cast<UINT>(GMEM_INVALID_HANDLE), GlobalFlags(block)) << "the server freed the block";
        ASSERT_TRUE(client.Terminate(Server())) << cycle;
        if (cycle < 3000) {
            auto gone = std::make_unique<RawDdeClient>();
            ASSERT_TRUE(Connect(*gone)) << cycle;
            HWND window = gone->Window();
            gone.reset();
            execute(window, block);
            HandleDdeTerminate(Server(), window);
        }
        if (cycle == 499)
            warmedUp = PrivateBytes();
    }
    GlobalFree(block);
    EXPECT_EQ(held, GlobalFindAtomA(service_.c_str()));
    GlobalDeleteAtom(held);
    EXPECT_EQ(0, GlobalFindAtomA(service_.c_str()));
    EXPECT_EQ(0, Table().count);
    EXPECT_EQ(10, Table().capacity);
    EXPECT_LT(PrivateBytes() - warmedUp, SIZE_T{64 * 1024});
}

// --- Shutdown -------------------------------------------------------------------

// Besides clients that answer, one whose own terminate crosses the
// shutdown's and one whose window is gone: neither may hold the wait. One
// that left earlier has had its entry compacted away. While the second is
// being ended 13 more arrive; the table grows twice under the wait,
// which holds its entry by window.
TEST_F(DdeServer, ShutdownEndsEveryConversationInOrderWithoutWaitingForLeavingOrGoneClients)
{
    Clients clients = ConnectedClients(9);
    std::vector<size_t> ended;
    for (size_t i = 0; i < clients.size(); ++i)
        clients[i]->onUnaskedTerminate = [&ended, i] { ended.push_back(i); };
    Clients latecomers;
    clients[1]->onUnaskedTerminate = [&] {
        ended.push_back(1);
        latecomers = ConnectedClients(13);
    };
    ASSERT_TRUE(clients[5]->Terminate(Server()));
    clients[3].reset();
    clients[0]->answerTerminates = false;
    ASSERT_TRUE(clients[0]->PostTerminate(Server()));

    EXPECT_LT(MillisecondsToDestroy(), 2000u);
    EXPECT_TRUE(clients[0]->WaitForTerminate());
    EXPECT_EQ((std::vector<size_t>{1, 2, 4, 6, 7, 8}), ended);
    ASSERT_EQ(13u, latecomers.size());
    for (const auto &client : latecomers)
        EXPECT_EQ(1, client->Terminates());
}

TEST_F(DdeServer, ShutdownWaitsABoundedTimeForAClientThatNeverAnswers)
{
    RawDdeClient silent;
    silent.answerTerminates = false;
    ASSERT_TRUE(Connect(silent));
    DWORD elapsed = MillisecondsToDestroy();
    EXPECT_GE(elapsed, 2500u);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_EQ(1, silent.Terminates());
}

}  // namespace
