#include "tools/shift_jis.h"

bool IsShiftJisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsShiftJisTrailByte(unsigned char byte)
{
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

static bool IsShiftJisSingleByte(unsigned char byte)
{
    return byte <= 0x7F || (byte >= 0xA1 && byte <= 0xDF);
}

bool IsValidShiftJis(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (IsShiftJisSingleByte(byte))
            continue;
        if (!IsShiftJisLeadByte(byte) || i + 1 >= text.size())
            return false;
        if (!IsShiftJisTrailByte(static_cast<unsigned char>(text[++i])))
            return false;
    }
    return true;
}

std::size_t CharBoundaryAtOrBefore(std::string_view text, std::size_t limit)
{
    std::size_t boundary = 0;
    while (boundary < text.size()) {
        const bool isDouble = IsShiftJisLeadByte(static_cast<unsigned char>(text[boundary]));
        const std::size_t next = boundary + (isDouble ? 2 : 1);
        if (next > limit || next > text.size())
            break;
        boundary = next;
    }
    return boundary;
}
