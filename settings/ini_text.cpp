#include "settings/ini_text.h"

#include <algorithm>
#include <type_traits>

namespace {

template <class Char>
using Text = std::basic_string_view<Char>;

// One line of the file: its text without the line end, and where the next
// line starts.
template <class Char>
struct Line {
    Text<Char> text;
    std::size_t next;
};

template <class Char>
Line<Char> LineAt(Text<Char> file, std::size_t at)
{
    std::size_t end = file.find(Char('\n'), at);
    std::size_t next = end == Text<Char>::npos ? file.size() : end + 1;
    Text<Char> text = file.substr(at, next - at);
    while (!text.empty() && (text.back() == Char('\n') || text.back() == Char('\r')))
        text.remove_suffix(1);
    return {text, next};
}

template <class Char>
bool IsBlank(Char c)
{
    return c == Char(' ') || c == Char('\t');
}

template <class Char>
Text<Char> Trim(Text<Char> text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Only ASCII letters change; a unit of a wider text is compared whole.
template <class Char>
unsigned long Lower(Char c)
{
    unsigned long unit = static_cast<unsigned long>(static_cast<std::make_unsigned_t<Char>>(c));
    return unit >= 'A' && unit <= 'Z' ? unit - 'A' + 'a' : unit;
}

// A name in the file against one of ours, which is ASCII.
template <class Char>
bool SameName(Text<Char> a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](Char x, char y) { return Lower(x) == Lower(y); });
}

// True when the line opens a section, whose name is then in *name.
template <class Char>
bool OpensSection(Text<Char> line, Text<Char> *name)
{
    line = Trim(line);
    if (line.empty() || line.front() != Char('['))
        return false;
    // Without its "]" the name runs to the end of the line.
    *name = Trim(line.substr(1, line.find(Char(']')) - 1));
    return true;
}

// True when the line sets a key: not a comment, and an "=" after the name.
template <class Char>
bool SetsKey(Text<Char> line, Text<Char> *key, Text<Char> *value)
{
    line = Trim(line);
    std::size_t equals = line.find(Char('='));
    if (line.empty() || line.front() == Char(';') || equals == Text<Char>::npos)
        return false;
    *key = Trim(line.substr(0, equals));
    *value = Trim(line.substr(equals + 1));
    return true;
}

// Where the first section of the name lies: its body from the line after its
// opening, up to the end of its last line that is not blank, and up to the
// next section.
struct Section {
    bool found;
    std::size_t body;
    std::size_t contentEnd;
    std::size_t end;
};

template <class Char>
Section FindSection(Text<Char> file, std::string_view name)
{
    Section section = {false, 0, 0, file.size()};
    for (std::size_t at = 0; at < file.size();) {
        Line<Char> line = LineAt(file, at);
        Text<Char> opened;
        if (OpensSection(line.text, &opened)) {
            if (section.found) {
                section.end = at;
                return section;
            }
            if (SameName(opened, name))
                section = {true, line.next, line.next, file.size()};
        } else if (section.found && !Trim(line.text).empty()) {
            section.contentEnd = line.next;
        }
        at = line.next;
    }
    return section;
}

// Units appended within a capacity; once one does not fit, nothing more is.
template <class Char>
struct Output {
    Char *data;
    std::size_t capacity;
    std::size_t used;
    bool overflowed;

    bool Fits(std::size_t length)
    {
        overflowed = overflowed || length > capacity - used;
        return !overflowed;
    }
    void Add(Text<Char> text)
    {
        if (!Fits(text.size()))
            return;
        std::copy(text.begin(), text.end(), data + used);
        used += text.size();
    }
    // Our own names and line ends, ASCII in every code unit.
    void AddName(std::string_view name)
    {
        if (!Fits(name.size()))
            return;
        std::transform(name.begin(), name.end(), data + used, [](char c) { return static_cast<Char>(c); });
        used += name.size();
    }
    // The line written so far, if any, is ended before another follows.
    void EndOpenLine()
    {
        if (used > 0 && data[used - 1] != Char('\n'))
            AddName("\r\n");
    }
    // What follows a key on its line.
    void AddValue(Text<Char> value)
    {
        AddName("=");
        Add(value);
        AddName("\r\n");
    }
};

// The first entry not yet written whose key the line sets, with the key as
// the line spells it; count when there is none.
template <class Char>
std::size_t EntrySetBy(Text<Char> line, const BasicIniEntry<Char> *entries, std::size_t count, const bool *written,
                       Text<Char> *key)
{
    Text<Char> value;
    if (!SetsKey(line, key, &value))
        return count;
    std::size_t entry = 0;
    while (entry < count && (written[entry] || !SameName(*key, entries[entry].key)))
        ++entry;
    return entry;
}

template <class Char>
bool FindValue(Text<Char> file, std::string_view section, std::string_view key, Text<Char> *value)
{
    Section found = FindSection(file, section);
    for (std::size_t at = found.body; found.found && at < found.end;) {
        Line<Char> line = LineAt(file, at);
        Text<Char> name;
        Text<Char> text;
        if (SetsKey(line.text, &name, &text) && SameName(name, key)) {
            bool quoted = text.size() >= 2 && (text.front() == Char('"') || text.front() == Char('\'')) &&
                          text.back() == text.front();
            *value = quoted ? text.substr(1, text.size() - 2) : text;
            return true;
        }
        at = line.next;
    }
    return false;
}

template <class Char>
std::int32_t ParseInteger(Text<Char> value)
{
    value = Trim(value);
    bool negative = !value.empty() && value.front() == Char('-');
    if (!value.empty() && (value.front() == Char('-') || value.front() == Char('+')))
        value.remove_prefix(1);
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < value.size() && value[i] >= Char('0') && value[i] <= Char('9'); ++i)
        number = number * 10u + static_cast<std::uint32_t>(value[i] - Char('0'));
    return static_cast<std::int32_t>(negative ? 0u - number : number);
}

template <class Char>
std::size_t Update(Text<Char> file, std::string_view section, const BasicIniEntry<Char> *entries, std::size_t count,
                   Char *out, std::size_t capacity)
{
    if (count > kMaxIniEntries)
        return 0;
    Output<Char> output = {out, capacity, 0, false};
    bool written[kMaxIniEntries] = {};
    Section found = FindSection(file, section);
    std::size_t insertAt = found.found ? found.contentEnd : file.size();
    output.Add(file.substr(0, found.body));
    for (std::size_t at = found.body; found.found && at < insertAt;) {
        Line<Char> line = LineAt(file, at);
        Text<Char> key;
        std::size_t entry = EntrySetBy(line.text, entries, count, written, &key);
        if (entry < count) {
            output.Add(key);
            output.AddValue(entries[entry].value);
            written[entry] = true;
        } else {
            output.Add(file.substr(at, line.next - at));
        }
        at = line.next;
    }
    if (!found.found) {
        output.Add(file);
        output.EndOpenLine();
        output.AddName("[");
        output.AddName(section);
        output.AddName("]\r\n");
    }
    for (std::size_t entry = 0; entry < count; ++entry) {
        if (written[entry])
            continue;
        output.EndOpenLine();
        output.AddName(entries[entry].key);
        output.AddValue(entries[entry].value);
    }
    output.Add(file.substr(insertAt));
    return output.overflowed ? 0 : output.used;
}

}  // namespace

bool FindIniValue(std::string_view file, std::string_view section, std::string_view key, std::string_view *value)
{
    return FindValue(file, section, key, value);
}

bool FindIniValue(std::wstring_view file, std::string_view section, std::string_view key, std::wstring_view *value)
{
    return FindValue(file, section, key, value);
}

std::int32_t ParseIniInteger(std::string_view value)
{
    return ParseInteger(value);
}

std::int32_t ParseIniInteger(std::wstring_view value)
{
    return ParseInteger(value);
}

std::size_t UpdateIni(std::string_view file, std::string_view section, const IniEntry *entries, std::size_t count,
                      char *out, std::size_t capacity)
{
    return Update(file, section, entries, count, out, capacity);
}

std::size_t UpdateIni(std::wstring_view file, std::string_view section, const WideIniEntry *entries,
                      std::size_t count, wchar_t *out, std::size_t capacity)
{
    return Update(file, section, entries, count, out, capacity);
}
