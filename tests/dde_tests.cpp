// The DDE server in raw window messages, its clients played by the test
// thread, which sees what the platform's DDE library hides: the
// acknowledgement's status word and handle, every terminate.
#include <gtest/gtest.h>

#include <dde.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/program_identity.h"
#include "ipc/dde_server.h"
#include "serial/serial_port.h"
#include "tests/harness.h"
#include "tools/driving/far_end.h"

namespace {

class RawClient {
public:
    RawClient() : window(CreateOwnedWindow("VrkRawDdeClient", Procedure, this)) {}
    ~RawClient() { DestroyWindow(window); }

    // The window that answered, NULL when none did; an empty name is the
    // zero atom, the wildcard.
    HWND Initiate(HWND server, const char *service, const char *topic = "Command")
    {
        ATOM serviceAtom = *service ? GlobalAddAtomA(service) : 0;
        ATOM topicAtom = *topic ? GlobalAddAtomA(topic) : 0;
        answer = NULL;
        initiating = true;
        SendMessageA(server, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(window), MAKELPARAM(serviceAtom, topicAtom));
        initiating = false;
        GlobalDeleteAtom(serviceAtom);
        GlobalDeleteAtom(topicAtom);
        return answer;
    }
    // Executes the bytes as they stand (no terminator added); true when the
    // acknowledgement came back positive with the same block.
    bool Execute(HWND server, const std::string &bytes, DWORD timeoutMs = 20000)
    {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, std::max<size_t>(bytes.size(), 1));
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        ackStatus = 0;
        ackHandle = 0;
        PostMessageA(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(window),
                     PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block)));
        bool acknowledged = PumpUntil([&] { return ackHandle != 0; }, timeoutMs);
        GlobalFree(block);
        return acknowledged && ackStatus == 0x8000 && ackHandle == reinterpret_cast<UINT_PTR>(block);
    }
    bool Terminate(HWND server)
    {
        int before = terminates;
        PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
        return PumpUntil([&] { return terminates > before; }, 500);
    }

    HWND window;
    HWND answer = NULL;
    bool initiating = false;
    UINT_PTR ackStatus = 0;
    UINT_PTR ackHandle = 0;
    int terminates = 0;
    bool answerTerminates = true;
    std::function<void(UINT)> onMessage;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto *client = reinterpret_cast<RawClient *>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (client && message == WM_DDE_ACK && client->initiating) {
            // The receiver of an initiate's answer deletes its atoms.
            client->answer = reinterpret_cast<HWND>(wParam);
            GlobalDeleteAtom(LOWORD(lParam));
            GlobalDeleteAtom(HIWORD(lParam));
        } else if (client && message == WM_DDE_ACK) {
            UnpackDDElParam(WM_DDE_ACK, lParam, &client->ackStatus, &client->ackHandle);
            FreeDDElParam(WM_DDE_ACK, lParam);
        } else if (client && message == WM_DDE_TERMINATE) {
            ++client->terminates;
            if (client->answerTerminates)
                PostMessageA(reinterpret_cast<HWND>(wParam), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
        }
        if (client && client->onMessage)
            client->onMessage(message);
        return DefWindowProcA(window, message, wParam, lParam);
    }
};

const char kServed[] = "[VRK]\r\nDdeServiceName=VrkTest\r\n";

// A Unicode client's command block; without the terminator when cut.
std::string Utf16(const std::wstring &text, bool terminated = true)
{
    return std::string(reinterpret_cast<const char *>(text.c_str()), (text.size() + terminated) * sizeof(wchar_t));
}

TEST(DdeServer, AnswersOnlyItsServiceAndTopicOncePerClientWindow)
{
    LocalTerminal terminal(kServed);
    HWND server = terminal.window;
    RawClient client, other;
    for (const auto &[service, topic] : {std::pair{"VrkTestX", "Command"}, std::pair{"VrkTest", "System"},
                                         std::pair{"", "Command"}, std::pair{"VrkTest", ""}})
        EXPECT_EQ(nullptr, client.Initiate(server, service, topic)) << service << "|" << topic;
    EXPECT_EQ(server, client.Initiate(server, "VRKTEST", "COMMAND")) << "names in other letter case";
    EXPECT_EQ(nullptr, client.Initiate(server, "VrkTest")) << "already connected";
    EXPECT_EQ(server, other.Initiate(server, "VrkTest"));
    EXPECT_TRUE(client.Execute(server, std::string("[Send(1)]", 10)));
    EXPECT_TRUE(client.Terminate(server)) << "the client's terminate is answered";
    EXPECT_FALSE(client.Execute(server, "[Send(x)]", 200)) << "no conversation, no acknowledgement";
    EXPECT_TRUE(other.Execute(server, "[Send(2)]")) << "the other conversation goes on";
    for (int i = 0; i < 10; ++i)
        RawClient().Initiate(server, "VrkTest");  // gone without a terminate, its entry with it

    // A new conversation from the same window, any number of times. The
    // client deletes the atoms of the answers it receives: a name another
    // program holds survives any number of conversations, and none is left.
    // The execute goes to its handler directly, as Wine hands a server a copy
    // of a posted block: the block is the client's and is never freed.
    const ATOM held = GlobalAddAtomA("VrkTest");
    HGLOBAL block = GlobalAlloc(GHND, 16);
    std::strcpy(static_cast<char *>(GlobalLock(block)), "[Send(x)]");
    GlobalUnlock(block);
    for (int cycle = 0; cycle < 2000 && !::testing::Test::HasFailure(); ++cycle) {
        ASSERT_EQ(server, client.Initiate(server, "VrkTest")) << cycle;
        HandleDdeExecute(server, client.window, PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block)));
        ASSERT_NE(static_cast<UINT>(GMEM_INVALID_HANDLE), GlobalFlags(block)) << "the server freed the block";
        ASSERT_TRUE(client.Terminate(server)) << cycle;
    }
    GlobalFree(block);
    EXPECT_EQ(1, terminal.State()->ddeServer.count);
    EXPECT_EQ(10, terminal.State()->ddeServer.capacity);
    EXPECT_EQ(held, GlobalFindAtomA("VrkTest"));
    GlobalDeleteAtom(held);
    other.Terminate(server);
    EXPECT_EQ(0, GlobalFindAtomA("VrkTest"));
    // An answer to the start-up check that comes after it, and a stray
    // acknowledgement, are released, also once the service is off.
    terminal.State()->ddeEnabled = 0;
    const LPARAM stray = PackDDElParam(WM_DDE_ACK, 0x8000, 0);
    PostMessageA(server, WM_DDE_ACK, 0, stray);
    const ATOM late = GlobalAddAtomA("VrkLate");
    GlobalAddAtomA("VrkLate");
    std::thread lateAnswer([&] { SendMessageA(server, WM_DDE_ACK, 0, MAKELPARAM(late, late)); });
    EXPECT_TRUE(PumpUntil([] { return GlobalFindAtomA("VrkLate") == 0; }, 1000));
    lateAnswer.join();
    EXPECT_EQ(0u, GlobalSize(reinterpret_cast<HGLOBAL>(stray)));
}

TEST(DdeServer, SendWritesTheTextExactlyAndEveryExecuteIsAcknowledgedBeforeItRuns)
{
    LocalTerminal terminal(kServed);
    ASSERT_TRUE(terminal.OpenPort(2));
    FarEnd host(FarPortOf(2));
    RawClient client;
    ASSERT_EQ(terminal.window, client.Initiate(terminal.window, "VrkTest"));
    // command block as it stands; bytes written
    const std::pair<std::string, std::string> cases[] = {
        {std::string("[Send(A\r\nB)]", 12), "A\rB"}, {std::string("[Send(\n\n)]", 10), ""},
        {std::string("[Send(f(x)\x95\x5c)]", 14), "f(x)\x95\x5c"}, {"[Send(unterminated)]", "unterminated"},
        {std::string("[Send(cut)]\0[Send(x)]", 21), "cut"}, {"[send(x)]", ""}, {"", ""},
        {Utf16(L"[Send(表ABC\r\n€)]"), "\x95\x5C" "ABC\r?"}, {Utf16(L"[Send(x)]", false), "x"},
    };
    std::string expected;
    for (const auto &[command, written] : cases) {
        EXPECT_TRUE(client.Execute(terminal.window, command)) << command;
        expected += written;
    }
    EXPECT_EQ(expected, host.Read(expected.size()));
    EXPECT_EQ("", host.ReadUntilQuiet(200));
    std::string text(1 << 20, 'y');
    text[1000] = ')';
    std::string received;
    std::thread reader([&] { received = host.Read(text.size(), 30000); });
    EXPECT_TRUE(client.Execute(terminal.window, "[Send(" + text + ")]"));
    reader.join();
    EXPECT_TRUE(text == received) << "a megabyte goes whole";
}

// Besides clients that answer: one whose window is gone, one that left
// before, one whose own terminate crosses the shutdown's, and one that never
// answers, which holds the wait a bounded time.
// While the first is being ended 13 more arrive; the table grows twice under
// the wait, which holds its entry by window. The poll has stopped by then;
// what is shown meanwhile is logged as it is shown.
TEST(DdeServer, ShutdownEndsEveryConversationInOrderAndWaitsABoundedTime)
{
    auto terminal = std::make_unique<LocalTerminal>(kServed);
    const HWND server = terminal->window;
    std::vector<std::unique_ptr<RawClient>> clients(6);
    std::vector<std::unique_ptr<RawClient>> latecomers;
    std::vector<size_t> ended;
    for (size_t i = 0; i < clients.size(); ++i) {
        clients[i] = std::make_unique<RawClient>();
        ASSERT_EQ(server, clients[i]->Initiate(server, "VrkTest"));
    }
    ASSERT_TRUE(clients[2]->Terminate(server));
    for (size_t i = 0; i < clients.size(); ++i) {
        clients[i]->onMessage = [&, i](UINT message) {
            if (message != WM_DDE_TERMINATE)
                return;
            ended.push_back(i);
            EXPECT_EQ(0u, terminal->State()->timerId);
            terminal->Show(i == 0 ? "shown meanwhile\r" : "");
            for (int late = 0; i == 0 && late < 13; ++late) {
                latecomers.push_back(std::make_unique<RawClient>());
                latecomers.back()->Initiate(server, "VrkTest");
            }
        };
    }
    clients[3].reset();
    clients[5]->answerTerminates = false;
    PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(clients[4]->window), 0);  // crosses the shutdown's
    terminal->Show("before\r");
    DWORD start = GetTickCount();
    SendMessageA(server, WM_CLOSE, 0, 0);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ("before\r\nshown meanwhile\r\n", terminal->Logs());
    EXPECT_GE(elapsed, 2500u) << "the silent client is waited for";
    EXPECT_LT(elapsed, 5000u);
    EXPECT_EQ((std::vector<size_t>{0, 4, 1, 5}), ended);
    ASSERT_EQ(13u, latecomers.size());
    for (const auto &client : latecomers)
        EXPECT_EQ(1, client->terminates);

    // The input monitor server is let go after the conversations have ended;
    // a client that initiates while it is asked is no longer taken up.
    terminal = std::make_unique<LocalTerminal>(kServed);
    const HWND closing = terminal->window;
    RawClient monitor, late;
    terminal->State()->imsServer = monitor.window;
    monitor.onMessage = [&](UINT message) {
        if (message == RegisterWindowMessageW(kImsMessageName))
            late.Initiate(closing, "VrkTest");
    };
    terminal.reset();
    EXPECT_EQ(nullptr, late.answer);
}

}  // namespace
