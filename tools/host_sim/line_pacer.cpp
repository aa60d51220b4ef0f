#include "tools/host_sim/line_pacer.h"

static const double kCatchUpLimitMs = 200.0;

std::size_t PacedSliceBytes(const LinePacer &pacer)
{
    const auto bytes = static_cast<std::size_t>(static_cast<double>(pacer.bytesPerSecond) * pacer.sliceMs / 1000.0);
    return bytes > 0 ? bytes : 1;
}

double PacedWaitMs(const LinePacer &pacer, double nowMs)
{
    if (pacer.bytesPerSecond == 0 || pacer.lineFreeAtMs <= nowMs)
        return 0;
    return pacer.lineFreeAtMs - nowMs;
}

void NotePacedBytes(LinePacer &pacer, double nowMs, std::size_t count)
{
    if (pacer.bytesPerSecond == 0)
        return;
    const bool fellIdle = nowMs - pacer.lineFreeAtMs > kCatchUpLimitMs;
    const double start = fellIdle ? nowMs : pacer.lineFreeAtMs;
    pacer.lineFreeAtMs = start + static_cast<double>(count) * 1000.0 / static_cast<double>(pacer.bytesPerSecond);
}

