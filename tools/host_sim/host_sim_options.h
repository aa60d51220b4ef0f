// The host simulator's command line.
#pragma once

#include <string>
#include <vector>

// One step of a run; steps run in the order given on the command line.
enum class HostStepKind { Send, SendFile, Stream, Wait };

struct HostStep {
    HostStepKind kind = HostStepKind::Send;
    std::string text;    // bytes to send, or a file path
    double seconds = 0;  // stream or wait time
};

struct HostSimOptions {
    bool help = false;
    unsigned long port = 0;  // opens \\.\COMn
    unsigned long baudRate = 1200;
    unsigned long bytesPerSecond = 0;  // output pace; 0 sends as fast as the line takes it
    unsigned long writePeriodMs = 0;   // 0: each stream line is a write of its own
    std::vector<HostStep> steps;
    bool answer = false;  // answer received lines from the start of the run
    bool echoLines = true;
    bool markedLines = false;
    bool shortLines = false;
    std::vector<unsigned long long> splitOffsets;  // strictly increasing, counted over the whole run
    unsigned long splitPauseMs = 600;
    double exitAfterSeconds = 0;  // 0: no limit
    std::string recordPath;
};

// Parses argv[1] onwards. Without steps the run answers received lines; the
// pace defaults to the line rate of 8N1 (baud / 10 bytes a second). False,
// with a reason in error, for anything it does not understand.
bool ParseHostSimArgs(int argc, const char *const *argv, HostSimOptions &options, std::string &error);

const char *HostSimUsage();
