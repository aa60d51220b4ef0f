#include "serial/port_name.h"

#include <cctype>
#include <cstdio>

long long PortNumber(std::int32_t portIndex)
{
    return static_cast<long long>(portIndex) + 1;
}

void MakePortName(std::int32_t portIndex, char *out, std::size_t size)
{
    std::snprintf(out, size, "COM%lld", PortNumber(portIndex));
}

bool IsNameOfPort(const char *name, std::size_t length, std::int32_t portIndex)
{
    char own[24];
    MakePortName(portIndex, own, sizeof own);
    std::size_t i = 0;
    for (; i < length && name[i] != '\0'; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != own[i])
            return false;
    }
    return own[i] == '\0';
}

void MakePortDeviceName(std::int32_t portIndex, char *out, std::size_t size)
{
    std::snprintf(out, size, "\\\\.\\COM%lld", PortNumber(portIndex));
}

int ExtraPortNumber(const char *name, std::size_t length)
{
    while (length > 0 && name[length - 1] == '\0')
        --length;
    if (length < 4 || length > 6 || name[0] != 'C' || name[1] != 'O' || name[2] != 'M' || name[3] == '0')
        return 0;
    int number = 0;
    for (std::size_t i = 3; i < length; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        number = number * 10 + (name[i] - '0');
    }
    return number >= 5 && number <= 256 ? number : 0;
}
