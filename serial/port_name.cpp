#include "serial/port_name.h"

#include <cstdio>

long long PortNumber(std::int32_t portIndex)
{
    return static_cast<long long>(portIndex) + 1;
}

void MakePortDeviceName(std::int32_t portIndex, char *out, std::size_t size)
{
    std::snprintf(out, size, "\\\\.\\COM%lld", PortNumber(portIndex));
}
