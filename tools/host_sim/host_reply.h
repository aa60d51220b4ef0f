// What the simulated host says: it collects the terminal's bytes into lines
// ended by CR and answers each with a short Shift-JIS reply and a prompt.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Lines longer than this are cut (at a character boundary); the rest of such
// a line up to its CR is dropped, so a terminal that never sends CR cannot
// make the simulator grow without bound.
inline constexpr std::size_t kMaxHostLineBytes = 4096;

struct LineAssembler {
    std::string pending;
};

// Adds received bytes and appends every line they complete to lines, without
// its CR. Line feeds and NUL bytes are not part of any line.
void FeedReceivedBytes(LineAssembler &assembler, const char *bytes, std::size_t count,
                       std::vector<std::string> &lines);

inline constexpr char kHostPrompt[] = "ULACS> ";

// The bytes the host sends back for one received line: the line itself when
// echoLine is set (a host without local echo repeats it), the answer, and the
// prompt. Commands (the first word, ASCII letters in any case): HELP or ?,
// STATUS, ECHO text, UNDO text (sends text as a line marked with 0x1D);
// anything else is acknowledged with the line quoted, and an empty line gets
// the prompt alone.
std::string BuildReply(const std::string &line, bool echoLine);
