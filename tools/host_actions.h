// The steps a simulator run performs in order, given on the command line or
// in a script file, one step a line:
//   send TEXT            bytes to send; escapes \r \n \t \\ \xHH
//   send-file PATH       a file's bytes, unchanged
//   stream SECONDS       generated lines for that long
//   wait SECONDS         pause (lines received meanwhile are answered when answering is on)
//   expect SECONDS TEXT  wait until a received line contains TEXT; the run fails if none does in time
//   answer on|off        start or stop answering received lines
// Blank lines and lines starting with # are ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class HostActionKind { Send, SendFile, Stream, Wait, Expect, Answer, Script };

struct HostAction {
    HostActionKind kind = HostActionKind::Send;
    std::string text;    // bytes to send, expected text, or file path
    double seconds = 0;  // stream, wait or expect time
    bool on = false;     // answer on or off
};

inline constexpr double kMaxSeconds = 86400.0 * 365;

// A non-negative decimal number of seconds such as 5 or 0.25, at most a year.
bool ParseSeconds(std::string_view text, double &seconds);

// Builds the step named name (as in a script) from its value. False, with a
// reason in error, for an unknown name or a bad value.
bool MakeHostAction(std::string_view name, std::string_view value, HostAction &action, std::string &error);

// Parses a whole script; errors name the script line.
bool ParseHostScript(std::string_view script, std::vector<HostAction> &actions, std::string &error);
