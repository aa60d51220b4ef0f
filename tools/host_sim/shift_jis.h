// Shift-JIS (code page 932) lead bytes. The host simulator must scan text the
// same way on any machine, whatever its own code page, so the ranges are
// fixed here instead of asking the platform.
#pragma once

inline bool IsShiftJisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
