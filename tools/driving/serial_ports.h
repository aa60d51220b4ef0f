// The serial ports the system lists under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM,
// where the port dialog finds the ports beyond its buttons.
#pragma once

#include <string>
#include <vector>

// Adds the port names to the list, or makes them the whole list when
// replace is set. False when the list cannot be written.
bool ListSerialPorts(const std::vector<std::string> &names, bool replace);

// Registers a device of the ports class serving port ("COM7") under the
// friendly name given, as an adapter's driver does, in the running Windows
// (on the bench, its prefix). False when the system refuses.
bool RegisterPortDevice(const std::string &port, const std::wstring &friendlyName);
// Removes every device that RegisterPortDevice registered.
void RemovePortDevices();
