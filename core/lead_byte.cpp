#include "core/lead_byte.h"

#include <windows.h>

bool IsCodePageLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}
