// The cables of the test bench (tests/bench/with-bench.sh): each terminal-side
// port is wired to the far-side port twenty numbers up.
#pragma once

inline constexpr int kFarPortOffset = 20;
inline constexpr int kCablePorts[] = {1, 2, 5, 12};
// Wine gives the machine's own serial devices the free numbers from COM3 on;
// this one is never given out.
inline constexpr int kPortWithoutDevice = 40;

constexpr int FarPortOf(int port)
{
    return port + kFarPortOffset;
}
