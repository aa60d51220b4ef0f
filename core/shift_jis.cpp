#include "core/shift_jis.h"

#include <windows.h>

#include <climits>

static const UINT kShiftJisCodePage = 932;

std::size_t ShiftJisToWide(const char *bytes, std::size_t length, wchar_t *out)
{
    if (length == 0 || length > INT_MAX)
        return 0;
    int count = static_cast<int>(length);
    int written = MultiByteToWideChar(kShiftJisCodePage, 0, bytes, count, out, count);
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

std::size_t WideToShiftJis(const wchar_t *text, std::size_t length, char *out)
{
    if (length == 0 || length > INT_MAX / 2)
        return 0;
    int count = static_cast<int>(length);
    int written = WideCharToMultiByte(kShiftJisCodePage, 0, text, count, out, 2 * count, NULL, NULL);
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}
