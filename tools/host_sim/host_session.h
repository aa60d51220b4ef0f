// One run of the host simulator on an open port: the steps in order, then
// answering until the run ends.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "tools/host_sim/host_sim_options.h"

struct HostRunOutcome {
    unsigned long long bytesSent = 0;
    double sendingSeconds = 0;  // from the first byte written to the last
    std::string failure;  // why the run failed; empty when it did not
};

// Runs the steps and the answering on port, with a copy of every byte sent
// to record unless that is INVALID_HANDLE_VALUE. A run ended by its time
// limit or by stopRequested (set from the console's Ctrl+C handler) succeeds.
HostRunOutcome RunHostSession(const HostSimOptions &options, HANDLE port, HANDLE record,
                              const std::atomic<bool> &stopRequested);
