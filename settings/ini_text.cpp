#include "settings/ini_text.h"

#include <algorithm>
#include <cstring>

namespace {

// One line of the file: its text without the line end, and where the next
// line starts.
struct Line {
    std::string_view text;
    std::size_t next;
};

Line LineAt(std::string_view file, std::size_t at)
{
    std::size_t end = file.find('\n', at);
    std::size_t next = end == std::string_view::npos ? file.size() : end + 1;
    std::string_view text = file.substr(at, next - at);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    return {text, next};
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// True when the line opens a section, whose name is then in *name.
bool OpensSection(std::string_view line, std::string_view *name)
{
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return false;
    // Without its "]" the name runs to the end of the line.
    *name = Trim(line.substr(1, line.find(']') - 1));
    return true;
}

// True when the line sets a key: not a comment, and an "=" after the name.
bool SetsKey(std::string_view line, std::string_view *key, std::string_view *value)
{
    line = Trim(line);
    std::size_t equals = line.find('=');
    if (line.empty() || line.front() == ';' || equals == std::string_view::npos)
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

Section FindSection(std::string_view file, std::string_view name)
{
    Section section = {false, 0, 0, file.size()};
    for (std::size_t at = 0; at < file.size();) {
        Line line = LineAt(file, at);
        std::string_view opened;
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

// Bytes appended within a capacity; once one does not fit, nothing more is.
struct Output {
    char *data;
    std::size_t capacity;
    std::size_t used;
    bool overflowed;

    void Add(std::string_view text)
    {
        if (overflowed || text.size() > capacity - used) {
            overflowed = true;
            return;
        }
        std::memcpy(data + used, text.data(), text.size());
        used += text.size();
    }
    // The line written so far, if any, is ended before another follows.
    void EndOpenLine()
    {
        if (used > 0 && data[used - 1] != '\n')
            Add("\r\n");
    }
    void AddEntry(std::string_view key, std::string_view value)
    {
        Add(key);
        Add("=");
        Add(value);
        Add("\r\n");
    }
};

// The first entry not yet written whose key the line sets, with the key as
// the line spells it; count when there is none.
std::size_t EntrySetBy(std::string_view line, const IniEntry *entries, std::size_t count, const bool *written,
                       std::string_view *key)
{
    std::string_view value;
    if (!SetsKey(line, key, &value))
        return count;
    std::size_t entry = 0;
    while (entry < count && (written[entry] || !SameName(*key, entries[entry].key)))
        ++entry;
    return entry;
}

}  // namespace

bool FindIniValue(std::string_view file, std::string_view section, std::string_view key, std::string_view *value)
{
    Section found = FindSection(file, section);
    for (std::size_t at = found.body; found.found && at < found.end;) {
        Line line = LineAt(file, at);
        std::string_view name;
        std::string_view text;
        if (SetsKey(line.text, &name, &text) && SameName(name, key)) {
            bool quoted = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
                          text.back() == text.front();
            *value = quoted ? text.substr(1, text.size() - 2) : text;
            return true;
        }
        at = line.next;
    }
    return false;
}

std::int32_t ParseIniInteger(std::string_view value)
{
    value = Trim(value);
    bool negative = !value.empty() && value.front() == '-';
    if (!value.empty() && (value.front() == '-' || value.front() == '+'))
        value.remove_prefix(1);
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        number = number * 10u + static_cast<std::uint32_t>(value[i] - '0');
    return static_cast<std::int32_t>(negative ? 0u - number : number);
}

std::size_t UpdateIni(std::string_view file, std::string_view section, const IniEntry *entries,
                      std::size_t count, char *out, std::size_t capacity)
{
    if (count > kMaxIniEntries)
        return 0;
    Output output = {out, capacity, 0, false};
    bool written[kMaxIniEntries] = {};
    Section found = FindSection(file, section);
    std::size_t insertAt = found.found ? found.contentEnd : file.size();
    output.Add(file.substr(0, found.body));
    for (std::size_t at = found.body; found.found && at < insertAt;) {
        Line line = LineAt(file, at);
        std::string_view key;
        std::size_t entry = EntrySetBy(line.text, entries, count, written, &key);
        if (entry < count) {
            output.AddEntry(key, entries[entry].value);
            written[entry] = true;
        } else {
            output.Add(file.substr(at, line.next - at));
        }
        at = line.next;
    }
    if (!found.found) {
        output.Add(file);
        output.EndOpenLine();
        output.Add("[");
        output.Add(section);
        output.Add("]\r\n");
    }
    for (std::size_t entry = 0; entry < count; ++entry) {
        if (written[entry])
            continue;
        output.EndOpenLine();
        output.AddEntry(entries[entry].key, entries[entry].value);
    }
    output.Add(file.substr(insertAt));
    return output.overflowed ? 0 : output.used;
}
