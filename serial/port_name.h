// The device a stored port index names. Kept free of windows.h so it can be
// checked natively.
#pragma once

#include <cstddef>
#include <cstdint>

// COM number of a port index (0 is COM1), for every value a settings file
// can hold.
long long PortNumber(std::int32_t portIndex);

// The number n of a system's port name "COMn" of length bytes (a terminator
// may follow within them) when n is from 5 to 256, the ports beyond the port
// dialog's buttons; 0 for anything else.
int ExtraPortNumber(const char *name, std::size_t length);

// "COMn", the name the system gives the port.
void MakePortName(std::int32_t portIndex, char *out, std::size_t size);

// Whether a name of at most length bytes (a terminator may end it sooner),
// such as a device broadcast carries, is the port's "COMn" in any case.
bool IsNameOfPort(const char *name, std::size_t length, std::int32_t portIndex);

// "\\.\COMn": the device namespace opens COM10 and above too, which a plain
// "COMn" never reaches.
void MakePortDeviceName(std::int32_t portIndex, char *out, std::size_t size);

// The text of a port in the port dialog's list: "COMn" alone when the device
// has no name (an empty one), else with the name Windows gives it, "COM7: USB
// Serial Port", where that name's own " (COM7)" is left out. Cut to fit size
// characters.
void MakePortChoiceText(int number, const wchar_t *deviceName, wchar_t *out, std::size_t size);
