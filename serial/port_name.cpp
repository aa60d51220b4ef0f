#include "serial/port_name.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cwchar>

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

// Windows ends a port's friendly name with the port in brackets; in the list
// the port already leads.
static std::size_t WithoutOwnPort(const wchar_t *deviceName, const wchar_t *own)
{
    std::size_t length = std::wcslen(deviceName);
    wchar_t suffix[24];
    std::swprintf(suffix, sizeof suffix / sizeof suffix[0], L" (%ls)", own);
    std::size_t suffixLength = std::wcslen(suffix);
    if (length >= suffixLength && std::wcscmp(deviceName + length - suffixLength, suffix) == 0)
        length -= suffixLength;
    return length;
}

// Copies at most count characters of text to out at *used, leaving room for
// the terminator within size.
static void AppendCut(wchar_t *out, std::size_t size, std::size_t *used, const wchar_t *text, std::size_t count)
{
    std::size_t fits = std::min(count, size - 1 - *used);
    std::wmemcpy(out + *used, text, fits);
    *used += fits;
    out[*used] = L'\0';
}

void MakePortChoiceText(int number, const wchar_t *deviceName, wchar_t *out, std::size_t size)
{
    if (size == 0)
        return;
    wchar_t own[16];
    std::swprintf(own, sizeof own / sizeof own[0], L"COM%d", number);
    std::size_t used = 0;
    AppendCut(out, size, &used, own, std::wcslen(own));
    std::size_t nameLength = WithoutOwnPort(deviceName, own);
    if (nameLength == 0)
        return;
    AppendCut(out, size, &used, L": ", 2);
    AppendCut(out, size, &used, deviceName, nameLength);
}
