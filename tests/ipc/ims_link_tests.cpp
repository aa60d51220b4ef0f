// The real terminal against stand-in input monitor servers, each in its own
// process, the way they meet on a desktop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/program_identity.h"
#include "ipc/ims_codes.h"
#include "tests/ipc/ims_peer.h"
#include "tests/support/terminal_under_test.h"

namespace {

const char kLinkOn[] = "[VRK]\r\nDdeServiceName=\r\nImsApi=1\r\n";
const char kLinkOff[] = "[VRK]\r\nDdeServiceName=\r\nImsApi=0\r\n";

// Long enough for at least two link checks.
const DWORD kSeveralTicksMs = 800;

// The port dialog is dismissed so that nothing modal is left open.
bool StartTerminal(TerminalUnderTest &terminal)
{
    return terminal.Start() && terminal.AnswerPortDialog(0, false);
}

bool WaitUntilTargets(const ImsPeer &server, HWND target)
{
    return PumpUntil([&] { return server.Target() == target; }, 3000);
}

// Link checks that reach the server while the test waits.
size_t ChecksDuring(const ImsPeer &server, DWORD milliseconds)
{
    size_t before = server.Count(kPeerLogGet);
    PumpFor(milliseconds);
    return server.Count(kPeerLogGet) - before;
}

void Discover(HWND terminal)
{
    PostMessageA(terminal, kImsDiscoverMessage, 0, 0);
}

}  // namespace

// A terminal with the link switched on that has linked, at its start, to the
// server already running.
class ImsLinkedTerminalTest : public ::testing::Test {
protected:
    ImsLinkedTerminalTest() : terminal_(kLinkOn), input_(NULL) {}

    void SetUp() override
    {
        ASSERT_NE(server_.Window(), nullptr);
        ASSERT_TRUE(StartTerminal(terminal_));
        input_ = InputLineOf(terminal_.MainWindow());
        ASSERT_TRUE(server_.WaitForCount(kPeerLogLinked, 1));
        ASSERT_EQ(server_.Target(), input_);
    }

    HWND Terminal() const { return terminal_.MainWindow(); }

    ImsPeer server_;
    TerminalUnderTest terminal_;
    HWND input_;
};

TEST_F(ImsLinkedTerminalTest, LinksAtStartChecksEveryTickAndReleasesAtClose)
{
    EXPECT_EQ(server_.Conversation().rfind("discover get set linked", 0), 0u) << server_.Conversation();
    EXPECT_EQ(server_.EventsNamed(kPeerLogOffer).at(0).value, 0u);

    size_t checksBefore = server_.Count(kPeerLogGet);
    ASSERT_TRUE(server_.WaitForCount(kPeerLogGet, checksBefore + 3));
    std::vector<PeerEvent> checks = server_.EventsNamed(kPeerLogGet);
    const PeerEvent &first = checks[checksBefore];
    const PeerEvent &third = checks[checksBefore + 2];
    EXPECT_GE(third.tick - first.tick, 400u) << "checks follow the 300 ms timer";
    EXPECT_EQ(AsWindow(third.value), input_);

    ASSERT_TRUE(terminal_.Close());
    const std::string said = server_.Conversation();
    EXPECT_EQ(said.rfind("get set"), said.size() - 7) << said << ": asked, then released";
    EXPECT_EQ(server_.Target(), nullptr);
}

TEST(ImsLinkTest, WaitingTerminalsLinkOnlyOnAnAnnouncementOneAtATimeAndSwitchedOffOnesNever)
{
    TerminalUnderTest first(kLinkOn);
    TerminalUnderTest off(kLinkOff);
    ASSERT_TRUE(StartTerminal(first) && StartTerminal(off));
    PumpFor(300);
    ImsPeer server;
    PumpFor(kSeveralTicksMs);
    EXPECT_EQ(server.Conversation(), "") << "a waiting terminal neither searches nor checks";
    server.Order(kPeerBroadcast, kImsAnnounce);
    ASSERT_TRUE(WaitUntilTargets(server, InputLineOf(first.MainWindow())));

    TerminalUnderTest second(kLinkOn);
    ASSERT_TRUE(StartTerminal(second));
    ASSERT_TRUE(server.WaitForCount(kPeerLogDiscover, 2));
    server.Order(kPeerBroadcast, kImsAnnounce);
    ASSERT_TRUE(server.WaitForCount(kPeerLogDiscover, 3));
    PumpFor(500);
    EXPECT_EQ(server.Count(kPeerLogSet), 1u) << "the taken server is left alone";
    std::vector<HWND> discoverers;
    for (const PeerEvent &event : server.EventsNamed(kPeerLogDiscover))
        discoverers.push_back(AsWindow(event.value));
    EXPECT_EQ(discoverers, (std::vector<HWND>{first.MainWindow(), second.MainWindow(), second.MainWindow()}))
        << "neither a linked nor a switched-off terminal answers an announcement";

    ASSERT_TRUE(first.Close());
    PumpFor(kSeveralTicksMs);
    EXPECT_EQ(server.Target(), nullptr) << "released, and the second terminal does not search on its own";
    server.Order(kPeerBroadcast, kImsAnnounce);
    EXPECT_TRUE(WaitUntilTargets(server, InputLineOf(second.MainWindow())));
}

TEST(ImsLinkTest, OnlyTheFirstOfferSentDuringADiscoveryIsTaken)
{
    ImsPeer posting(kOfferByPost);
    TerminalUnderTest terminal(kLinkOn);
    ASSERT_TRUE(StartTerminal(terminal));
    ASSERT_TRUE(posting.WaitForCount(kPeerLogDiscover, 1));
    PumpFor(kSeveralTicksMs);
    EXPECT_EQ(SendLinkCode(terminal.MainWindow(), kImsOffer, posting.Window()), 0u);
    PumpFor(300);
    EXPECT_EQ(posting.Conversation(), "discover") << "neither the posted offer nor a later one is taken";

    ImsPeer one;
    ImsPeer other;
    Discover(terminal.MainWindow());
    ASSERT_TRUE(PumpUntil([&] { return one.Count(kPeerLogLinked) + other.Count(kPeerLogLinked) > 0; }, 3000));
    const ImsPeer &linked = one.Count(kPeerLogLinked) ? one : other;
    const ImsPeer &passed = one.Count(kPeerLogLinked) ? other : one;
    EXPECT_EQ(linked.Target(), InputLineOf(terminal.MainWindow()));
    EXPECT_EQ(passed.Conversation(), "discover") << "a later offer of the same discovery";
    EXPECT_EQ(passed.EventsNamed(kPeerLogOffer).at(0).value, 0u);

    EXPECT_EQ(SendLinkCode(terminal.MainWindow(), kImsOffer, passed.Window()), 0u);
    PumpFor(300);
    EXPECT_EQ(passed.Count(kPeerLogGet), 0u) << "an offer while linked is not taken";
    EXPECT_EQ(linked.Target(), InputLineOf(terminal.MainWindow()));
}

// The withdrawal naming the linked server comes last: until then the terminal
// is linked to the sender.
TEST_F(ImsLinkedTerminalTest, EveryCodeIsAnsweredZeroAndOnlyAWithdrawalNamingTheServerEndsTheLink)
{
    for (WPARAM code : {0, 2, 3, 4, 5, 6, 7, 8, 9, 0x7FFF, 0xFFFF})
        EXPECT_EQ(SendLinkCode(Terminal(), code, server_.Window()), 0u) << code;
    EXPECT_EQ(SendLinkCode(Terminal(), kImsWithdraw, GetDesktopWindow()), 0u);
    EXPECT_GE(ChecksDuring(server_, kSeveralTicksMs), 2u) << "the link stands";

    EXPECT_EQ(SendLinkCode(Terminal(), kImsWithdraw, server_.Window()), 0u);
    PumpFor(300);
    EXPECT_EQ(ChecksDuring(server_, kSeveralTicksMs), 0u) << "the link is forgotten";
    EXPECT_EQ(server_.Count(kPeerLogSet), 1u);
}

TEST_F(ImsLinkedTerminalTest, AServerTakingAnotherTargetOrDestroyedIsForgotten)
{
    server_.Order(kPeerTakeTarget, server_.Window());
    ASSERT_TRUE(server_.WaitForCount(kPeerLogGet, server_.Count(kPeerLogGet) + 1));
    PumpFor(100);
    EXPECT_EQ(ChecksDuring(server_, kSeveralTicksMs), 0u);
    EXPECT_EQ(server_.Target(), server_.Window()) << "and left alone";

    server_.Order(kPeerTakeTarget, HWND{});
    server_.Order(kPeerBroadcast, kImsAnnounce);
    ASSERT_TRUE(WaitUntilTargets(server_, input_));
    server_.Order(kPeerQuit);
    ASSERT_TRUE(server_.HasExited(3000));
    PumpFor(kSeveralTicksMs);
    ImsPeer next;
    next.Order(kPeerBroadcast, kImsAnnounce);
    EXPECT_TRUE(WaitUntilTargets(next, input_));
}

// Wine takes a thread for hung only once it has not pumped messages for five
// seconds; until then nothing but the terminal's own time-out bounds a send to
// it. The measurement runs inside those five seconds, the worst case. The
// linked server hears IMS_LINKED the moment the broadcast is over, so the time
// from posting the discovery to that message is how long the terminal's
// window was kept from everything posted to it.
TEST_F(ImsLinkedTerminalTest, HungTopLevelWindowDoesNotHoldTheTerminal)
{
    const DWORD kWineHungAfterMs = 5000;
    const DWORD kAnswerWithinMs = 1000;
    const DWORD kOneTimeOutMs = 150;
    ImsPeer hung(kOfferNever);
    const DWORD hangStart = hung.Hang();
    PumpFor(100);

    const DWORD discoveryStart = GetTickCount();
    Discover(Terminal());
    ASSERT_TRUE(server_.WaitForCount(kPeerLogLinked, 2, kWineHungAfterMs));
    const DWORD discoveryEnd = server_.EventsNamed(kPeerLogLinked).at(1).tick;
    EXPECT_LT(discoveryEnd - discoveryStart, kAnswerWithinMs);
    EXPECT_GE(discoveryEnd - discoveryStart, kOneTimeOutMs) << "the broadcast did wait for the hung window";
    EXPECT_LT(discoveryEnd - hangStart, kWineHungAfterMs) << "measured before Wine gave up on it";
}
