#include "app/window_title.h"

#include <cwchar>

#include "core/program_identity.h"

// Appends as much of text as the buffer holds, keeping it terminated.
static void Append(wchar_t *out, std::size_t size, std::size_t *used, const wchar_t *text)
{
    for (; *text && *used + 1 < size; ++text)
        out[(*used)++] = *text;
    out[*used] = L'\0';
}

void FormatWindowTitle(wchar_t *out, std::size_t size, const TitleParts &parts)
{
    if (size == 0)
        return;
    out[0] = L'\0';
    std::size_t used = 0;
    if (parts.logWaits)
        Append(out, size, &used, L"*");
    if (parts.portOpen) {
        // Room for any two numbers.
        wchar_t port[64];
        std::swprintf(port, sizeof port / sizeof port[0], L"COM%lld %ld", parts.portNumber, parts.baudRate);
        Append(out, size, &used, port);
        if (parts.portState && *parts.portState) {
            Append(out, size, &used, L" ");
            Append(out, size, &used, parts.portState);
        }
        Append(out, size, &used, L" - ");
    }
    Append(out, size, &used, kProgramName);
    if (parts.ddeEnabled) {
        Append(out, size, &used, L" (");
        Append(out, size, &used, parts.serviceName ? parts.serviceName : L"");
        Append(out, size, &used, L")");
    }
}
