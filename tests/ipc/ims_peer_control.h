// The private channel between the link tests and the stand-in input monitor
// server: the test sends the control message to the server's window with an
// order in wParam; the server writes every link message it receives to its log.
#pragma once

inline constexpr char kImsPeerControlName[] = "VRK-IMS-TEST-PEER-CONTROL";
// Sent by the server to a window of the test's choosing (kPeerPokeOnQuestion).
inline constexpr char kImsPeerPokeName[] = "VRK-IMS-TEST-PEER-POKE";

enum ImsPeerOrder : unsigned {
    kPeerBroadcast = 1,    // post the link code lParam, naming the server, to every top-level window
    kPeerTakeTarget = 2,   // lParam: the server's new target, taken on its own
    kPeerOfferMode = 3,    // lParam: an ImsPeerOfferMode
    kPeerHang = 4,         // post it: the server stops pumping messages until it is killed
    kPeerQuit = 5,         // the server destroys its window and ends
    kPeerQueryTarget = 6,  // reply: the current target, not logged
    // lParam: a window; at the next question for its target the server first
    // sends it, once, the poke message, so that the test acts right then
    kPeerPokeOnQuestion = 7,
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
inline constexpr char kPeerLogOffer[] = "offer";        // value: the reply, kPeerNoReply when none
inline constexpr char kPeerLogGet[] = "get";            // value: the target given in reply
inline constexpr char kPeerLogSet[] = "set";            // value: the new target
inline constexpr char kPeerLogLinked[] = "linked";
inline constexpr char kPeerLogOther[] = "other";        // value: a code the server does not serve

inline constexpr unsigned long long kPeerNoReply = ~0ull;
