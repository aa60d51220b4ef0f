#include "textflow/dbcs_text.h"

// Length of the character at text[i]: two bytes for a lead byte that has a
// second byte before the end, one otherwise.
static std::size_t CharacterLength(const char *text, std::size_t i, std::size_t length,
                                   LeadByteTest isLeadByte)
{
    bool lead = isLeadByte(static_cast<unsigned char>(text[i]));
    return lead && i + 1 < length ? 2 : 1;
}

static std::size_t TextLength(const char *text)
{
    std::size_t length = 0;
    while (text[length] != '\0')
        ++length;
    return length;
}

bool EndsInLoneLeadByte(const char *text, std::size_t length, LeadByteTest isLeadByte)
{
    std::size_t i = 0;
    while (i + 1 < length)
        i += CharacterLength(text, i, length, isLeadByte);
    return i + 1 == length && isLeadByte(static_cast<unsigned char>(text[i]));
}

char TakeTrailingLeadByte(char *text, LeadByteTest isLeadByte)
{
    std::size_t length = TextLength(text);
    if (!EndsInLoneLeadByte(text, length, isLeadByte))
        return '\0';
    char lead = text[length - 1];
    text[length - 1] = '\0';
    return lead;
}

std::size_t EditPositionToByteOffset(const char *text, std::size_t byteLength,
                                     std::size_t unitLength, std::size_t position,
                                     LeadByteTest isLeadByte)
{
    if (unitLength == byteLength)
        return position < byteLength ? position : byteLength;
    std::size_t offset = 0;
    for (std::size_t unit = 0; unit < position && offset < byteLength; ++unit)
        offset += CharacterLength(text, offset, byteLength, isLeadByte);
    return offset;
}

void SplitAtSeparators(char *text, char separator, LeadByteTest isLeadByte)
{
    std::size_t length = TextLength(text);
    for (std::size_t i = 0; i < length;) {
        std::size_t step = CharacterLength(text, i, length, isLeadByte);
        if (step == 1 && text[i] == separator)
            text[i] = '\0';
        i += step;
    }
}
