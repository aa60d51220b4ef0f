// Holds output to a byte rate, as a real line at a given baud rate would.
// A pseudo-terminal pair (and a fast USB adapter) takes bytes as fast as they
// come, so the simulator paces itself to behave like the host's line.
#pragma once

#include <cstddef>

struct LinePacer {
    unsigned long bytesPerSecond = 0;  // 0: no pacing
    double sliceMs = 20;               // line time handed over in one write
    double lineFreeAtMs = 0;           // when the bytes handed over so far have gone out
};

// How many bytes to hand over at once: sliceMs of line time, at least 1.
std::size_t PacedSliceBytes(const LinePacer &pacer);

// Milliseconds to wait at nowMs before the next slice may go.
double PacedWaitMs(const LinePacer &pacer, double nowMs);

// Notes count bytes handed over at nowMs. A sender that woke a little late
// keeps the lost time owed, so a long stream holds the rate on average; after
// a real pause the line starts afresh.
void NotePacedBytes(LinePacer &pacer, double nowMs, std::size_t count);
