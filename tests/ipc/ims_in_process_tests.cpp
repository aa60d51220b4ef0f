// The link's functions called directly on a terminal window of the test
// program, against stand-in servers in their own processes: switching,
// releasing, offers that arrive in the middle of a link, and how long a
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

// A message-only window of the test's thread that acts when a server pokes
// it, in the middle of the terminal's send to that server.
class ActOnPoke {
public:
    explicit ActOnPoke(std::function<void()> action)
        : action_(std::move(action)), window_(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL,
                                                              GetModuleHandleA(NULL), NULL))
    {
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&action_));
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
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

// A terminal of this thread with the link switched off, and a server.
class ImsLinkInProcessTest : public ::testing::Test {
protected:
    HWND Terminal() const { return terminal_.Window(); }
    TerminalState *State() const { return terminal_.State(); }
    bool SwitchOnAndLink()
    {
        ToggleImsLink(Terminal());
        return PumpUntil([&] { return State()->imsServer == server_.Window(); }, 3000);
    }

    ImsPeer server_;
    InProcessTerminal terminal_{kLinkOff};
};

}  // namespace

// A hand-edited setting may hold any non-zero value; it means on, and the
// switch turns it off.
TEST(ImsLinkInProcess, SwitchingOffWhileLinkedReleasesTheServer)
{
    ImsPeer server;
    InProcessTerminal terminal("[VRK]\r\nDdeServiceName=\r\nImsApi=5\r\n");
    TerminalState *state = terminal.State();
    ASSERT_TRUE(PumpUntil([&] { return state->imsServer == server.Window(); }, 3000));
    ToggleImsLink(terminal.Window());
    EXPECT_EQ(state->imsEnabled, 0);
    EXPECT_EQ(state->imsServer, nullptr);
    const std::string said = server.Conversation();
    EXPECT_EQ(said.rfind("get set"), said.size() - 7) << said << ": asked, then released";
    EXPECT_EQ(server.Target(), nullptr);
}

TEST_F(ImsLinkInProcessTest, SwitchingOffWhileNotLinkedSendsNothing)
{
    server_.Order(kPeerOfferMode, kOfferNever);
    ToggleImsLink(Terminal());
    ASSERT_TRUE(server_.WaitForCount(kPeerLogDiscover, 1));
    terminal_.Pump(400);
    ToggleImsLink(Terminal());
    terminal_.Pump(400);
    EXPECT_EQ(server_.Conversation(), "discover");
}

TEST_F(ImsLinkInProcessTest, SwitchingOffWhileAServerIsBeingLinkedReleasesIt)
{
    ActOnPoke switcher([&] { ToggleImsLink(Terminal()); });
    server_.Order(kPeerPokeOnQuestion, switcher.Window());
    ToggleImsLink(Terminal());
    ASSERT_TRUE(server_.WaitForCount(kPeerLogSet, 2));
    EXPECT_EQ(State()->imsEnabled, 0);
    EXPECT_EQ(State()->imsServer, nullptr);
    EXPECT_EQ(server_.Target(), nullptr);
}

// The late offer comes while the first server is asked for its target, after
// the discovery has taken that server's offer.
TEST_F(ImsLinkInProcessTest, AnOfferArrivingWhileAnotherIsBeingAcceptedIsIgnored)
{
    ImsPeer bystander(kOfferNever);
    ActOnPoke lateOffer([&] { SendLinkCode(Terminal(), kImsOffer, bystander.Window()); });
    server_.Order(kPeerPokeOnQuestion, lateOffer.Window());
    ASSERT_TRUE(SwitchOnAndLink());
    terminal_.Pump(300);
    EXPECT_EQ(server_.Target(), State()->inputEdit);
    EXPECT_EQ(bystander.Conversation(), "discover");
}

TEST_F(ImsLinkInProcessTest, ReleaseLeavesAServerThatHasTakenAnotherTargetAlone)
{
    ASSERT_TRUE(SwitchOnAndLink());
    server_.Order(kPeerTakeTarget, server_.Window());
    const size_t checks = server_.Count(kPeerLogGet);
    ReleaseImsLink(Terminal());
    EXPECT_EQ(State()->imsServer, nullptr);
    EXPECT_EQ(server_.Count(kPeerLogGet), checks + 1) << "asked";
    EXPECT_EQ(server_.Count(kPeerLogSet), 1u) << "not reset";
    EXPECT_EQ(server_.Target(), server_.Window());
}

TEST_F(ImsLinkInProcessTest, AServerThatStopsAnsweringAfterItsOfferIsNotLinked)
{
    server_.Order(kPeerOfferMode, kOfferThenHang);
    State()->imsEnabled = 1;
    EXPECT_LT(MillisecondsTaken([&] { StartImsDiscovery(Terminal()); }), kAnswerWithinMs);
    EXPECT_EQ(State()->imsServer, nullptr);
    ASSERT_TRUE(server_.WaitForCount(kPeerLogOffer, 1));
    EXPECT_EQ(server_.Count(kPeerLogGet), 0u);

    ImsPeer answering;
    EXPECT_LT(MillisecondsTaken([&] { StartImsDiscovery(Terminal()); }), kAnswerWithinMs);
    EXPECT_EQ(State()->imsServer, answering.Window()) << "the discovery after a hang works";
}

TEST(ImsLinkInProcess, ALinkedServerThatStopsAnsweringIsLetGoAtTheCheckOrTheRelease)
{
    for (bool release : {false, true}) {
        SCOPED_TRACE(release ? "release" : "link check");
        ImsPeer server;
        InProcessTerminal terminal(kLinkOff);
        TerminalState *state = terminal.State();
        ToggleImsLink(terminal.Window());
        ASSERT_TRUE(PumpUntil([&] { return state->imsServer == server.Window(); }, 3000));
        server.Hang();
        // Not pumped: a timer tick here would find the hang before the case does.
        Sleep(100);
        EXPECT_LT(MillisecondsTaken([&] {
                      if (release)
                          ReleaseImsLink(terminal.Window());
                      else
                          CheckImsLink(terminal.Window(), state->timerId);
                  }),
                  kAnswerWithinMs);
        EXPECT_EQ(state->imsServer, nullptr);
    }
}
