#include "core/dbcs_text.h"

#include "core/shift_jis.h"

bool EndsInLoneLeadByte(const char *text, std::size_t length)
{
    std::size_t i = 0;
    while (i + 1 < length)
        i += IsShiftJisLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    return i + 1 == length && IsShiftJisLeadByte(static_cast<unsigned char>(text[i]));
}

char TakeTrailingLeadByte(char *text)
{
    std::size_t length = 0;
    while (text[length] != '\0')
        ++length;
    if (!EndsInLoneLeadByte(text, length))
        return '\0';
    char lead = text[length - 1];
    text[length - 1] = '\0';
    return lead;
}

std::size_t WholeCharactersWithin(const char *text, std::size_t length, std::size_t limit)
{
    if (length <= limit)
        return length;
    return EndsInLoneLeadByte(text, limit) ? limit - 1 : limit;
}
