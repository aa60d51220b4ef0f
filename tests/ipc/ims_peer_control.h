// The private channel between the link tests and the stand-in input monitor
// server: the test sends the control message to the server's window with an
// order in wParam; the server writes every link message it receives to its log.
#pragma once

inline constexpr char kImsPeerControlName[] = "VRK-IMS-TEST-PEER-CONTROL";
inline constexpr char kImsPeerClassName[] = "VrkImsTestPeer";
// Sent by the server to a window of the test's choosing (kPeerPokeOnQuestion).
inline constexpr char kImsPeerPokeName[] = "VRK-IMS-TEST-PEER-POKE";

enum ImsPeerOrder : unsigned {
    kPeerAim = 1,          // lParam: the terminal that later orders address, 0 for a broadcast
    kPeerAnnounce = 2,     // send the announcement (a broadcast is posted)
    kPeerWithdraw = 3,     // send a withdrawal naming lParam, or the server itself when 0
    kPeerTakeTarget = 4,   // lParam: the server's new target, taken on its own
    kPeerOfferMode = 5,    // lParam: an ImsPeerOfferMode
    kPeerSendCode = 6,     // send the link message with code lParam and the server as window
    kPeerHang = 7,         // post it: the server stops pumping messages until it is killed
    kPeerQuit = 8,         // the server destroys its window and ends
    kPeerQueryTarget = 9,  // reply: the current target, not logged
    // lParam: another server; at the next question for its target the server
    // first sends, once, an offer naming that server to the last discovering
    // terminal, as a late offer from elsewhere would arrive
    kPeerOfferOtherOnQuestion = 10,
    // lParam: a window; at the next question for its target the server first
    // sends it, once, the poke message, so that the test acts right then
    kPeerPokeOnQuestion = 11,
};

enum ImsPeerOfferMode : unsigned {
    kOfferBySend = 0,
    kOfferByPost = 1,
    kOfferNever = 2,
    kOfferThenHang = 3,  // offer by send, then stop pumping inside the discovery
};

// One log line per event: "<tick count> <event> <hexadecimal value>".
inline constexpr char kPeerLogReady[] = "ready";        // value: the server's window
inline constexpr char kPeerLogDiscover[] = "discover";  // value: the terminal named in it
inline constexpr char kPeerLogOffer[] = "offer";        // value: the terminal's reply
inline constexpr char kPeerLogOfferFailed[] = "offer-failed";
inline constexpr char kPeerLogGet[] = "get";            // value: the target given in reply
inline constexpr char kPeerLogSet[] = "set";            // value: the new target
inline constexpr char kPeerLogLinked[] = "linked";
inline constexpr char kPeerLogOther[] = "other";        // value: a code the server does not serve

// Orders that send to a terminal return its reply, or this when none came.
inline constexpr unsigned long long kPeerNoReply = ~0ull;
