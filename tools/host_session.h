// One run of the host simulator on an open port: the steps in order, then
// answering until the run ends.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "tools/host_reply.h"
#include "tools/host_sim_options.h"
#include "tools/line_pacer.h"
#include "tools/stream_generator.h"

struct HostSession {
    const HostSimOptions *options = nullptr;
    const std::atomic<bool> *stopRequested = nullptr;  // set from the console's Ctrl+C handler
    HANDLE port = INVALID_HANDLE_VALUE;
    HANDLE record = INVALID_HANDLE_VALUE;  // copy of every byte sent, when asked for
    LARGE_INTEGER clockFrequency = {};
    double endMs = 0;  // 0: no time limit
    unsigned long long bytesSent = 0;
    std::size_t nextSplit = 0;
    LinePacer pacer;
    StreamGenerator generator;
    LineAssembler assembler;
    std::vector<std::string> unmatchedLines;  // received lines no expect step has consumed
    bool answering = false;
    std::string failure;  // why the run failed; empty when it did not
};

// Prepares session for options on the open port (and record file, if any).
void StartHostSession(HostSession &session, const HostSimOptions &options, HANDLE port, HANDLE record,
                      const std::atomic<bool> &stopRequested);

// Runs the steps and the answering. False when the run failed; the reason is
// in session.failure. A run ended by its time limit or by Ctrl+C succeeds.
bool RunHostSession(HostSession &session);
