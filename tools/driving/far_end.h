// The far end of a bench cable, played by a program of ours: what the host
// would send and receive.
#pragma once

#include <windows.h>

#include <string>

// The bench wires each terminal-side port to the one twenty numbers up.
constexpr int FarPortOf(int port)
{
    return port + 20;
}

class FarEnd {
public:
    // Opens COMport at the given rate, 8N1, without handshake.
    explicit FarEnd(int port, DWORD baudRate = 9600);
    ~FarEnd();
    FarEnd(const FarEnd &) = delete;
    FarEnd &operator=(const FarEnd &) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Write(const std::string &bytes);
    // Collects bytes until count have arrived or timeoutMs passed.
    std::string Read(size_t count, DWORD timeoutMs = 3000);
    // Collects whatever arrives until the line has been quiet for quietMs.
    std::string ReadUntilQuiet(DWORD quietMs = 400, DWORD timeoutMs = 5000);

private:
    HANDLE handle_;
};
