#include "settings/module_paths.h"

#include <cwchar>

// Position just after the last backslash.
static std::size_t NameStart(const wchar_t *path)
{
    const wchar_t *separator = std::wcsrchr(path, L'\\');
    return separator ? static_cast<std::size_t>(separator - path) + 1 : 0;
}

// Length of a file name without its extension: up to its last dot, or the
// whole name when it has none.
static std::size_t StemLength(const wchar_t *name)
{
    const wchar_t *dot = std::wcsrchr(name, L'.');
    return dot ? static_cast<std::size_t>(dot - name) : std::wcslen(name);
}

static bool Compose(wchar_t *out, std::size_t size, const wchar_t *first, std::size_t firstLength,
                    const wchar_t *second, std::size_t secondLength, const wchar_t *third)
{
    std::size_t thirdLength = std::wcslen(third);
    if (size == 0)
        return false;
    out[0] = L'\0';
    if (firstLength + secondLength + thirdLength >= size)
        return false;
    std::wmemcpy(out, first, firstLength);
    std::wmemcpy(out + firstLength, second, secondLength);
    std::wmemcpy(out + firstLength + secondLength, third, thirdLength + 1);
    return true;
}

bool MakeDirectoryOf(const wchar_t *path, wchar_t *out, std::size_t size)
{
    return Compose(out, size, path, NameStart(path), L"", 0, L"");
}

bool MakeIniPath(const wchar_t *modulePath, const wchar_t *storedName, wchar_t *out, std::size_t size)
{
    std::size_t directoryLength = NameStart(modulePath);
    const wchar_t *name = storedName ? storedName : modulePath + directoryLength;
    return Compose(out, size, modulePath, directoryLength, name, StemLength(name), L".ini");
}
