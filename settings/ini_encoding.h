// The encodings a settings file may be saved in. Without a byte-order mark
// it is Shift-JIS, as the terminal always wrote it; a file that Notepad or
// another editor saved as UTF-8 or UTF-16 with its mark is read and
// rewritten in that encoding, mark first. Kept free of windows.h so it can be
// checked natively.
#pragma once

#include <cstddef>
#include <string_view>

enum class IniEncoding { ShiftJis, Utf8, Utf16Le, Utf16Be };

// The encoding the file's first bytes name.
IniEncoding DetectIniEncoding(std::string_view bytes);

// The byte-order mark the encoding's files begin with; none for Shift-JIS.
std::string_view IniMark(IniEncoding encoding);

inline bool IsUtf16(IniEncoding encoding)
{
    return encoding == IniEncoding::Utf16Le || encoding == IniEncoding::Utf16Be;
}

// UTF-16 units taken two bytes at a time in the encoding's byte order, into
// out, which has room for bytes.size() / 2; an odd last byte makes none.
// Returns the number of units.
std::size_t Utf16FromBytes(std::string_view bytes, IniEncoding encoding, wchar_t *out);

// The units back as bytes, two each, into out.
void Utf16ToBytes(std::wstring_view units, IniEncoding encoding, char *out);

// The longest start of text, at most limit long, that does not end inside a
// character: between the units of a surrogate pair for UTF-16, or inside a
// UTF-8 sequence for bytes.
std::size_t WholeUtf16Within(std::wstring_view text, std::size_t limit);
std::size_t WholeUtf8Within(std::string_view text, std::size_t limit);
