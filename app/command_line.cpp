#include "app/command_line.h"

#include <cwctype>

static bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

static const wchar_t *SkipBlanks(const wchar_t *text)
{
    while (IsBlank(*text))
        ++text;
    return text;
}

// The program's name ends at the closing quote when it starts with one, else
// at the first blank, as the C runtime splits it.
const wchar_t *CommandLineArguments(const wchar_t *commandLine)
{
    const wchar_t *at = commandLine;
    if (*at == L'"') {
        for (++at; *at && *at != L'"'; ++at) {
        }
        if (*at)
            ++at;
    }
    for (; *at && !IsBlank(*at); ++at) {
    }
    return SkipBlanks(at);
}

static bool IsConnectWord(const wchar_t *word, const wchar_t *end)
{
    static const wchar_t kName[] = L"connect";
    if (*word != L'/' && *word != L'-')
        return false;
    const wchar_t *name = kName;
    for (++word; word < end && *name; ++word, ++name) {
        if (std::towlower(*word) != *name)
            return false;
    }
    return word == end && !*name;
}

bool HasConnectSwitch(const wchar_t *arguments)
{
    for (const wchar_t *word = SkipBlanks(arguments); *word; word = SkipBlanks(word)) {
        const wchar_t *end = word;
        while (*end && !IsBlank(*end))
            ++end;
        if (IsConnectWord(word, end))
            return true;
        word = end;
    }
    return false;
}
