#include "tools/host_sim/text_escapes.h"

#include "core/shift_jis.h"

static int HexDigitValue(char digit)
{
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    return -1;
}

// Decodes the escape whose backslash is at text[at]; returns the length of
// the escape, or 0 when it is not one.
static std::size_t DecodeOneEscape(std::string_view text, std::size_t at, std::string &out)
{
    if (at + 1 >= text.size())
        return 0;
    switch (text[at + 1]) {
    case 'r': out += '\r'; return 2;
    case 'n': out += '\n'; return 2;
    case 't': out += '\t'; return 2;
    case '\\': out += '\\'; return 2;
    case 'x': {
        if (at + 3 >= text.size())
            return 0;
        const int high = HexDigitValue(text[at + 2]);
        const int low = HexDigitValue(text[at + 3]);
        if (high < 0 || low < 0)
            return 0;
        out += static_cast<char>(high * 16 + low);
        return 4;
    }
    default:
        return 0;
    }
}

bool DecodeEscapes(std::string_view text, std::string &out, std::string &error)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (IsShiftJisLeadByte(byte) && at + 1 < text.size()) {
            out.append(text.substr(at, 2));
            at += 2;
        } else if (byte == '\\') {
            const std::size_t length = DecodeOneEscape(text, at, out);
            if (length == 0) {
                error = "bad escape at byte " + std::to_string(at) + " (use \\r \\n \\t \\\\ or \\xHH)";
                return false;
            }
            at += length;
        } else {
            out += text[at++];
        }
    }
    return true;
}
