// The names Windows gives the devices behind the serial ports (the ports
// device class: "Prolific USB-to-Serial Comm Port (COM7)"), so that an
// operator with two adapters can tell them apart.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <cstddef>

// The ports class's present devices, read once for a whole list of ports.
class PortDevices {
public:
    PortDevices();
    ~PortDevices();
    PortDevices(const PortDevices &) = delete;
    PortDevices &operator=(const PortDevices &) = delete;

    // The friendly name of the device whose port is COMnumber; false, with
    // name empty, when it has none or none that fits size characters.
    bool FindName(int number, wchar_t *name, std::size_t size) const;

private:
    HDEVINFO devices_;
};
