// What the DDE tests share besides the raw client: pumping this thread's
// messages, service names of their own, and measuring memory.
#pragma once

#include <windows.h>

#include <string>

// Dispatches what is waiting; when nothing is, waits up to waitMs for the
// next message first.
void PumpWaiting(DWORD waitMs);
// Dispatches this thread's messages for the given time.
void PumpMessages(DWORD milliseconds);
// Dispatches this thread's messages until the process ends or time is up.
bool PumpUntilExited(HANDLE process, DWORD timeoutMs);
// Private memory of a process, in bytes.
SIZE_T PrivateBytesOf(HANDLE process);
// A service name no other test of this run uses.
std::string UniqueServiceName(const char *prefix = "VRKT");
std::string IniWithService(const std::string &serviceName, const char *moreLines = "");
std::string InLowerCase(std::string text);
std::string InUpperCase(std::string text);
std::wstring Widen(const std::string &ascii);
