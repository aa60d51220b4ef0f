// The link's functions called directly on a terminal window of the test
// program, against stand-in servers in their own processes: switching, the
// timer gate, offers that arrive in the middle of a link, and how long a
// server that stops answering can hold the terminal's thread.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ipc/ims_codes.h"
#include "ipc/ims_link.h"
#include "tests/ipc/ims_peer.h"
#include "tests/support/in_process_terminal.h"

namespace {

const char kLinkOff[] = "[VRK]\r\nDdeServiceName=\r\nImsApi=0\r\n";

// Long enough for a few time-outs, far below anything an operator would call
// frozen.
const DWORD kAnswerWithinMs = 1000;

bool WaitUntilLinked(InProcessTerminal &terminal, const ImsPeer &server)
{
    return PumpUntil([&] { return terminal.State()->imsServer == server.Window(); }, 3000);
}

// A message-only window of the test's thread that acts when a server pokes
// it, in the middle of the terminal's send to that server.
class ActOnPoke {
public:
    explicit ActOnPoke(std::function<void()> action) : action_(std::move(action))
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "VrkImsActOnPoke";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL,
                                  windowClass.hInstance, NULL);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&action_));
    }
    ~ActOnPoke() { DestroyWindow(window_); }
    ActOnPoke(const ActOnPoke &) = delete;
    ActOnPoke &operator=(const ActOnPoke &) = delete;
    HWND Window() const { return window_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto *action = reinterpret_cast<std::function<void()> *>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (action && message == RegisterWindowMessageA(kImsPeerPokeName))
            (*action)();
        return DefWindowProcA(window, message, wParam, lParam);
    }
    std::function<void()> action_;
    HWND window_;
};

DWORD MillisecondsTaken(const std::function<void()> &work)
{
    const DWORD start = GetTickCount();
    work();
    return GetTickCount() - start;
}

}  // namespace

TEST(ImsSwitchTest, SwitchingOnDiscoversAndSwitchingOffReleases)
{
    // A hand-edited setting may hold any non-zero value; it means on.
    for (const char *ini : {kLinkOff, "[VRK]\r\nDdeServiceName=\r\nImsApi=5\r\n"}) {
        SCOPED_TRACE(ini);
        ImsPeer server;
        InProcessTerminal terminal(ini);
        TerminalState *state = terminal.State();
        ASSERT_NE(state, nullptr);
        if (!state->imsEnabled)
            ToggleImsLink(terminal.Window());
        ASSERT_TRUE(WaitUntilLinked(terminal, server));
        EXPECT_EQ(state->imsDiscovering, 0);
        EXPECT_EQ(server.Target(), state->inputEdit);

        ToggleImsLink(terminal.Window());
        EXPECT_EQ(state->imsEnabled, 0);
        EXPECT_EQ(state->imsServer, nullptr);
        const std::string said = server.Conversation();
        EXPECT_EQ(said.rfind("get set"), said.size() - 7) << said << ": asked, then released";
        EXPECT_EQ(server.Target(), nullptr);
    }
}

TEST(ImsSwitchTest, SwitchingOffWhileNotLinkedSendsNothing)
{
    ImsPeer server(kOfferNever);
    InProcessTerminal terminal(kLinkOff);
    ToggleImsLink(terminal.Window());
    ASSERT_TRUE(server.WaitForCount(kPeerLogDiscover, 1));
    terminal.Pump(400);
    ToggleImsLink(terminal.Window());
    terminal.Pump(400);
    EXPECT_EQ(server.Conversation(), "discover");
    EXPECT_EQ(terminal.State()->imsEnabled, 0);
}

TEST(ImsSwitchTest, SwitchingOffWhileAServerIsBeingLinkedReleasesIt)
{
    ImsPeer server;
    InProcessTerminal terminal(kLinkOff);
    ActOnPoke switcher([&] { ToggleImsLink(terminal.Window()); });
    server.Order(kPeerPokeOnQuestion, switcher.Window());
    ToggleImsLink(terminal.Window());
    ASSERT_TRUE(server.WaitForCount(kPeerLogSet, 2));
    EXPECT_EQ(terminal.State()->imsEnabled, 0);
    EXPECT_EQ(terminal.State()->imsServer, nullptr);
    EXPECT_EQ(server.Target(), nullptr);
}

// The late offer comes while the first server is asked for its target, after
// the discovery has taken that server's offer.
TEST(ImsSwitchTest, AnOfferArrivingWhileAnotherIsBeingAcceptedIsIgnored)
{
    ImsPeer bystander(kOfferNever);
    ImsPeer server;
    InProcessTerminal terminal(kLinkOff);
    ActOnPoke lateOffer([&] { SendLinkCode(terminal.Window(), kImsOffer, bystander.Window()); });
    server.Order(kPeerPokeOnQuestion, lateOffer.Window());
    ToggleImsLink(terminal.Window());
    ASSERT_TRUE(WaitUntilLinked(terminal, server));
    terminal.Pump(300);
    EXPECT_EQ(server.Target(), terminal.State()->inputEdit);
    EXPECT_EQ(bystander.Conversation(), "discover");
    EXPECT_EQ(bystander.Target(), nullptr);
}

TEST(ImsSwitchTest, OnlyThePollTimerChecksTheLinkAndReleaseAsksBeforeItResets)
{
    ImsPeer server;
    InProcessTerminal terminal(kLinkOff);
    TerminalState *state = terminal.State();
    ToggleImsLink(terminal.Window());
    ASSERT_TRUE(WaitUntilLinked(terminal, server));
    server.Order(kPeerTakeTarget, server.Window());
    const size_t checks = server.Count(kPeerLogGet);

    CheckImsLink(terminal.Window(), state->timerId + 1);
    EXPECT_EQ(state->imsServer, server.Window());
    EXPECT_EQ(server.Count(kPeerLogGet), checks);

    ReleaseImsLink(terminal.Window());
    EXPECT_EQ(state->imsServer, nullptr);
    EXPECT_EQ(server.Count(kPeerLogGet), checks + 1);
    EXPECT_EQ(server.Count(kPeerLogSet), 1u);
    EXPECT_EQ(server.Target(), server.Window());
}

TEST(ImsHungServerTest, ServerThatStopsAnsweringAfterItsOfferIsNotLinked)
{
    InProcessTerminal terminal(kLinkOff);
    TerminalState *state = terminal.State();
    state->imsEnabled = 1;
    ImsPeer hung(kOfferThenHang);

    DWORD taken = MillisecondsTaken([&] { StartImsDiscovery(terminal.Window()); });
    EXPECT_LT(taken, kAnswerWithinMs);
    EXPECT_EQ(state->imsServer, nullptr);
    EXPECT_EQ(state->imsDiscovering, 0);
    ASSERT_TRUE(hung.WaitForCount(kPeerLogOffer, 1));
    EXPECT_EQ(hung.Count(kPeerLogGet), 0u);

    ImsPeer server;
    taken = MillisecondsTaken([&] { StartImsDiscovery(terminal.Window()); });
    EXPECT_LT(taken, kAnswerWithinMs);
    EXPECT_EQ(state->imsServer, server.Window());
}

TEST(ImsHungServerTest, LinkedServerThatStopsAnsweringIsLetGo)
{
    for (bool release : {false, true}) {
        SCOPED_TRACE(release ? "release" : "link check");
        ImsPeer server;
        InProcessTerminal terminal(kLinkOff);
        TerminalState *state = terminal.State();
        ToggleImsLink(terminal.Window());
        ASSERT_TRUE(WaitUntilLinked(terminal, server));
        server.Hang();
        // Not pumped: a timer tick here would find the hang before the case does.
        Sleep(100);

        DWORD taken = MillisecondsTaken([&] {
            if (release)
                ReleaseImsLink(terminal.Window());
            else
                CheckImsLink(terminal.Window(), state->timerId);
        });
        EXPECT_LT(taken, kAnswerWithinMs);
        EXPECT_EQ(state->imsServer, nullptr);
    }
}
