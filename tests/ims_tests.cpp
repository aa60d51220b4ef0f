// The input monitor server link, the servers played by top-level windows of
// the test (and, where one must stop answering, of another thread).
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/program_identity.h"
#include "ipc/ims_codes.h"
#include "ipc/ims_link.h"
#include "tests/harness.h"

namespace {

const UINT kImsMessage = RegisterWindowMessageW(kImsMessageName);

struct Server {
    enum class Offer { Send, Post, None, Broadcast };

    Server() : window(CreateOwnedWindow("VrkImsServer", Procedure, this)) {}
    ~Server() { DestroyWindow(window); }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM code, LPARAM lParam)
    {
        auto *server = reinterpret_cast<Server *>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (!server || message != kImsMessage)
            return DefWindowProcA(window, message, code, lParam);
        server->heard += std::to_string(code) + (code == kImsSetTarget ? (lParam ? "+" : "-") : "") + " ";
        if (code == kImsDiscover && server->offer == Offer::Send)
            SendMessageA(reinterpret_cast<HWND>(lParam), kImsMessage, kImsOffer, reinterpret_cast<LPARAM>(window));
        if (code == kImsDiscover && server->offer == Offer::Broadcast)
            SendMessageA(reinterpret_cast<HWND>(lParam), kImsMessage, kImsOffer, reinterpret_cast<LPARAM>(HWND_BROADCAST));
        if (code == kImsDiscover && server->offer == Offer::Post)
            PostMessageA(reinterpret_cast<HWND>(lParam), kImsMessage, kImsOffer, reinterpret_cast<LPARAM>(window));
        if (code == kImsSetTarget)
            server->target = reinterpret_cast<HWND>(lParam);
        if (code == kImsGetTarget && server->onAsked)
            std::exchange(server->onAsked, nullptr)();
        return code == kImsGetTarget ? reinterpret_cast<LRESULT>(server->target) : 0;
    }

    HWND window;
    HWND target = NULL;
    Offer offer = Offer::Send;
    std::string heard;
    std::function<void()> onAsked;
};

TEST(ImsLink, TheFirstFreeServerOfADiscoveryIsLinkedCheckedAndReleased)
{
    LocalTerminal terminal("[VRK]\r\nDdeServiceName=\r\nImsApi=1\r\n");
    Server busy;
    busy.target = busy.window;
    Pump(100);
    EXPECT_EQ(NULL, terminal.State()->imsServer) << "the discovery at start-up found only a busy server";
    EXPECT_EQ("2 6 ", busy.heard) << "a server with a target of its own is asked and left alone";
    Server first, second;
    SendMessageA(terminal.window, kImsMessage, kImsAnnounce, 0);
    Pump(100);
    HWND linked = terminal.State()->imsServer;
    ASSERT_TRUE(linked == first.window || linked == second.window) << "an announcement starts a discovery";
    Server &chosen = linked == first.window ? first : second;
    Server &other = linked == first.window ? second : first;
    EXPECT_EQ(terminal.Input(), chosen.target);
    EXPECT_EQ("2 6 5+ 8 ", chosen.heard);
    EXPECT_EQ(NULL, other.target) << "only the first offer of a discovery is taken";

    chosen.heard.clear();
    StartImsDiscovery(terminal.window);
    EXPECT_EQ("2 8 ", chosen.heard) << "a discovery while linked only tells the server again";
    chosen.target = busy.window;
    CheckImsLink(terminal.window, terminal.State()->timerId);
    EXPECT_EQ(NULL, terminal.State()->imsServer);
    EXPECT_EQ(busy.window, chosen.target) << "another target is left alone";

    chosen.target = NULL;
    other.offer = busy.offer = Server::Offer::None;
    SendMessageA(terminal.window, kImsMessage, kImsAnnounce, 0);
    Pump(100);
    ASSERT_EQ(chosen.window, terminal.State()->imsServer);
    chosen.heard.clear();
    ToggleImsLink(terminal.window);
    chosen.offer = Server::Offer::None;
    ToggleImsLink(terminal.window);
    Pump(100);
    ToggleImsLink(terminal.window);
    // Switched off, the server lets go of the input line; switched on, a
    // discovery follows; switched off unlinked, nothing is sent.
    EXPECT_EQ("6 5- 2 ", chosen.heard);
}

TEST(ImsLink, OffersOutsideTheDiscoveryPostedOrWhileAnotherIsAcceptedAreIgnored)
{
    LocalTerminal terminal("[VRK]\r\nDdeServiceName=\r\nImsApi=5\r\n");
    Server liar, poster, nested, server;
    liar.offer = Server::Offer::Broadcast;  // an offer that names no window
    poster.offer = Server::Offer::Post;
    nested.offer = Server::Offer::None;
    // While the server is asked, another offers itself, and a discovery is
    // asked for from outside, which only that other would answer.
    server.onAsked = [&] {
        std::swap(nested.offer, server.offer);
        SendMessageA(terminal.window, kImsMessage, kImsOffer, reinterpret_cast<LPARAM>(nested.window));
        SendMessageA(terminal.window, WM_APP + 1, 0, 0);
    };
    SendMessageA(terminal.window, kImsMessage, kImsOffer, reinterpret_cast<LPARAM>(nested.window));
    Pump(100);
    EXPECT_EQ(server.window, terminal.State()->imsServer);
    EXPECT_EQ(NULL, nested.target) << "no second server targets the input line";
    EXPECT_EQ(NULL, poster.target) << "nothing was broadcast to every server";

    for (WPARAM code = 0; code < 12; ++code)
        EXPECT_EQ(0, SendMessageA(terminal.window, kImsMessage, code, 0)) << code;
    SendMessageA(terminal.window, kImsMessage, kImsWithdraw, reinterpret_cast<LPARAM>(poster.window));
    EXPECT_EQ(server.window, terminal.State()->imsServer) << "withdrawing another window changes nothing";
    server.heard.clear();
    SendMessageA(terminal.window, kImsMessage, kImsAnnounce, 0);
    SendMessageA(terminal.window, kImsMessage, kImsWithdraw, reinterpret_cast<LPARAM>(server.window));
    Pump(100);
    EXPECT_EQ(NULL, terminal.State()->imsServer);
    EXPECT_EQ("", server.heard) << "an announcement while linked and a withdrawal send nothing";

    // Switched off while the server is being linked: it is let go at once.
    server.target = NULL;
    server.offer = Server::Offer::Send;
    server.onAsked = [&] { ToggleImsLink(terminal.window); };
    StartImsDiscovery(terminal.window);
    EXPECT_EQ(NULL, server.target);
    EXPECT_EQ(NULL, terminal.State()->imsServer);
}

TEST(ImsLink, TwoTerminalsShareOneServerOneAtATimeAndAHungWindowHoldsNeither)
{
    LocalTerminal one("[VRK]\r\nDdeServiceName=\r\nImsApi=1\r\n");
    Pump(50);
    Server server;
    StartImsDiscovery(one.window);
    LocalTerminal two("[VRK]\r\nDdeServiceName=\r\nImsApi=1\r\n");
    Pump(50);
    EXPECT_EQ(server.window, one.State()->imsServer);
    EXPECT_EQ(NULL, two.State()->imsServer) << "the server is taken";
    ToggleImsLink(one.window);
    Pump(100);
    EXPECT_EQ(NULL, two.State()->imsServer) << "a waiting terminal does not search by itself";
    for (const LocalTerminal *terminal : {&one, &two})
        SendMessageA(terminal->window, kImsMessage, kImsAnnounce, 0);
    Pump(100);
    EXPECT_EQ(server.window, two.State()->imsServer);
    EXPECT_EQ(NULL, one.State()->imsServer) << "a terminal switched off never links";

    // A server that stops answering after its offer is not linked, and a
    // window that stopped pumping costs the broadcast little. Linked later, it
    // stays linked through an answer to the check that comes too late, and
    // is forgotten once its window is gone.
    std::atomic<bool> finished = false;
    std::thread hung([&] {
        Server stalled;
        const auto stall = [] { Sleep(500); };
        stalled.onAsked = [&] { stall(); stalled.onAsked = [&] { stalled.onAsked = stall; }; };
        PumpUntil([&] { return finished.load(); }, 20000);
    });
    Sleep(200);
    server.offer = Server::Offer::None;
    DWORD start = GetTickCount();
    ToggleImsLink(two.window);
    ToggleImsLink(two.window);
    Pump(50);
    EXPECT_EQ(NULL, two.State()->imsServer) << "the server that stopped answering";
    EXPECT_LT(GetTickCount() - start, 1500u);
    Pump(500);
    SendMessageA(two.window, kImsMessage, kImsAnnounce, 0);
    Pump(100);
    const HWND slow = two.State()->imsServer;
    EXPECT_NE(nullptr, slow);
    CheckImsLink(two.window, two.State()->timerId);
    EXPECT_EQ(slow, two.State()->imsServer);
    finished = true;
    hung.join();
    CheckImsLink(two.window, two.State()->timerId);
    EXPECT_EQ(NULL, two.State()->imsServer);
}

}  // namespace
