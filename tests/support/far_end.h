// The far side of a bench cable, played by the test.
#pragma once

#include <windows.h>

#include <string>

class FarEnd {
public:
    // Opens COMport with the terminal's line settings at the given rate.
    explicit FarEnd(int port, DWORD baudRate = 9600);
    ~FarEnd();
    FarEnd(const FarEnd &) = delete;
    FarEnd &operator=(const FarEnd &) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Write(const std::string &bytes);
    // Collects bytes until `count` have arrived or `timeoutMs` passed.
    std::string Read(size_t count, DWORD timeoutMs = 3000);
    // Collects whatever arrives until the line has been quiet for quietMs.
    std::string ReadUntilQuiet(DWORD quietMs = 400, DWORD timeoutMs = 5000);
    void Discard();

private:
    HANDLE handle_;
};
