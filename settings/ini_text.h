// The settings file's text, read and rewritten the way the system's profile
// functions did, so that files written before read the same and keep their
// form: section and key names without regard to case, the first of a
// repeated section or key counts, lines starting with ";" are comments. The
// text is in the file's own code units: bytes (Shift-JIS or UTF-8) or UTF-16
// units; names are ASCII. Kept free of windows.h so it can be checked
// natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The value of key in section, without the spaces around it and one pair of
// quotes around it. False when the section or the key is absent.
bool FindIniValue(std::string_view file, std::string_view section, std::string_view key, std::string_view *value);
bool FindIniValue(std::wstring_view file, std::string_view section, std::string_view key, std::wstring_view *value);

// The number a value stands for: an optional sign, then decimal digits up to
// the first other character, modulo 2^32.
std::int32_t ParseIniInteger(std::string_view value);
std::int32_t ParseIniInteger(std::wstring_view value);

// The most entries one update takes.
const std::size_t kMaxIniEntries = 16;

template <class Char>
struct BasicIniEntry {
    std::string_view key;
    std::basic_string_view<Char> value;
};
using IniEntry = BasicIniEntry<char>;
using WideIniEntry = BasicIniEntry<wchar_t>;

// Writes file into out with each entry's key set to its value. A key the
// section holds has its line rewritten where it stands; the others follow,
// in order, the section's last line that is not blank; a missing section is
// added at the end. Every other line stays as it was, unit for unit; lines
// written end in CR LF. Returns the length written, or 0 when out, of
// capacity units, cannot hold it or count is over kMaxIniEntries.
std::size_t UpdateIni(std::string_view file, std::string_view section, const IniEntry *entries,
                      std::size_t count, char *out, std::size_t capacity);
std::size_t UpdateIni(std::wstring_view file, std::string_view section, const WideIniEntry *entries,
                      std::size_t count, wchar_t *out, std::size_t capacity);
