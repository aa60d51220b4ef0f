#include "settings/ini_encoding.h"

namespace {

const std::string_view kUtf8Mark("\xEF\xBB\xBF", 3);
const std::string_view kUtf16LeMark("\xFF\xFE", 2);
const std::string_view kUtf16BeMark("\xFE\xFF", 2);

bool IsHighSurrogate(wchar_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsUtf8Continuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

IniEncoding DetectIniEncoding(std::string_view bytes)
{
    if (bytes.substr(0, 3) == kUtf8Mark)
        return IniEncoding::Utf8;
    if (bytes.substr(0, 2) == kUtf16LeMark)
        return IniEncoding::Utf16Le;
    if (bytes.substr(0, 2) == kUtf16BeMark)
        return IniEncoding::Utf16Be;
    return IniEncoding::ShiftJis;
}

std::string_view IniMark(IniEncoding encoding)
{
    switch (encoding) {
    case IniEncoding::Utf8:
        return kUtf8Mark;
    case IniEncoding::Utf16Le:
        return kUtf16LeMark;
    case IniEncoding::Utf16Be:
        return kUtf16BeMark;
    default:
        return {};
    }
}

std::size_t Utf16FromBytes(std::string_view bytes, IniEncoding encoding, wchar_t *out)
{
    const std::size_t high = encoding == IniEncoding::Utf16Be ? 0 : 1;
    const std::size_t count = bytes.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        auto byte = [&](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[2 * i + at])); };
        out[i] = static_cast<wchar_t>(byte(high) << 8 | byte(1 - high));
    }
    return count;
}

void Utf16ToBytes(std::wstring_view units, IniEncoding encoding, char *out)
{
    const std::size_t high = encoding == IniEncoding::Utf16Be ? 0 : 1;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const unsigned unit = static_cast<unsigned>(units[i]);
        out[2 * i + high] = static_cast<char>(unit >> 8 & 0xFF);
        out[2 * i + 1 - high] = static_cast<char>(unit & 0xFF);
    }
}

std::size_t WholeUtf16Within(std::wstring_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    return limit > 0 && IsHighSurrogate(text[limit - 1]) ? limit - 1 : limit;
}

std::size_t WholeUtf8Within(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    std::size_t cut = limit;
    // At most three bytes of one sequence follow its first; a longer run of
    // continuation bytes belongs to no character and is cut anywhere.
    for (int back = 0; back < 3 && cut > 0 && IsUtf8Continuation(text[cut]); ++back)
        --cut;
    return IsUtf8Continuation(text[cut]) ? limit : cut;
}
