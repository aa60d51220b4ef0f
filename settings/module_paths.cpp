#include "settings/module_paths.h"

#include <cstring>

// Position just after the last backslash, stepping over the trail byte of
// every double-byte character so that a 0x5C trail byte is never taken for
// a separator.
static std::size_t NameStart(const char *path, LeadByteTest isLeadByte)
{
    std::size_t start = 0;
    for (std::size_t i = 0; path[i] != '\0'; ++i) {
        if (isLeadByte(static_cast<unsigned char>(path[i])) && path[i + 1] != '\0')
            ++i;
        else if (path[i] == '\\')
            start = i + 1;
    }
    return start;
}

// Length of a file name without its extension: up to its last dot, or the
// whole name when it has none.
static std::size_t StemLength(const char *name, LeadByteTest isLeadByte)
{
    std::size_t length = std::strlen(name);
    std::size_t stem = length;
    for (std::size_t i = 0; i < length; ++i) {
        if (isLeadByte(static_cast<unsigned char>(name[i])) && name[i + 1] != '\0')
            ++i;
        else if (name[i] == '.')
            stem = i;
    }
    return stem;
}

static bool Compose(char *out, std::size_t size, const char *first, std::size_t firstLength,
                    const char *second, std::size_t secondLength, const char *third)
{
    std::size_t thirdLength = std::strlen(third);
    if (size == 0)
        return false;
    out[0] = '\0';
    if (firstLength + secondLength + thirdLength >= size)
        return false;
    std::memcpy(out, first, firstLength);
    std::memcpy(out + firstLength, second, secondLength);
    std::memcpy(out + firstLength + secondLength, third, thirdLength + 1);
    return true;
}

bool MakeLogDirectory(const char *modulePath, LeadByteTest isLeadByte, char *out, std::size_t size)
{
    return Compose(out, size, modulePath, NameStart(modulePath, isLeadByte), "", 0, "");
}

bool MakeIniPath(const char *modulePath, const char *storedName, LeadByteTest isLeadByte, char *out,
                 std::size_t size)
{
    std::size_t directoryLength = NameStart(modulePath, isLeadByte);
    const char *name = storedName ? storedName : modulePath + directoryLength;
    return Compose(out, size, modulePath, directoryLength, name, StemLength(name, isLeadByte), ".ini");
}
