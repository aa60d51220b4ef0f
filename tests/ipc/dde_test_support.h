// What the DDE tests share besides the raw client: service names of their own
// and measuring memory.
#pragma once

#include <windows.h>

#include <string>

// Private memory of a process, in bytes.
SIZE_T PrivateBytesOf(HANDLE process);
// A service name no other test of this run uses.
std::string UniqueServiceName();
std::string IniWithService(const std::string &serviceName);
std::string InLowerCase(std::string text);
std::wstring Widen(const std::string &ascii);
