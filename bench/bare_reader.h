// What the bare reader shares with the receive benchmark.
#pragma once

// Shared memory holding one LONG64: the bytes the reader has taken so far.
inline constexpr char kReaderCountName[] = "Local\\BareReaderBytes";
