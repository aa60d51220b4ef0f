#include "app/window_title.h"

#include <cstdio>

#include "core/program_identity.h"

// A cut can separate a lead byte from its trail byte; the lone lead byte
// would show as a stray character (or swallow the terminator on display), so
// it goes too. Only a scan from the start tells lead bytes from trail bytes.
static void DropSplitCharacter(char *text, bool (*isLeadByte)(unsigned char))
{
    if (!isLeadByte)
        return;
    for (char *at = text; *at; ++at) {
        if (!isLeadByte(static_cast<unsigned char>(*at)))
            continue;
        if (!at[1]) {
            *at = '\0';
            return;
        }
        ++at;
    }
}

void FormatWindowTitle(char *out, std::size_t size, const TitleParts &parts)
{
    if (size == 0)
        return;
    out[0] = '\0';
    const char *mark = parts.logWaits ? "*" : "";
    int written = parts.portOpen ? std::snprintf(out, size, "%sCOM%lld %ld - ", mark, parts.portNumber, parts.baudRate)
                                 : std::snprintf(out, size, "%s", mark);
    if (written < 0)
        return;
    std::size_t used = static_cast<std::size_t>(written) < size ? static_cast<std::size_t>(written) : size - 1;
    if (parts.ddeEnabled)
        std::snprintf(out + used, size - used, "%s (%s)", kProgramName,
                      parts.serviceName ? parts.serviceName : "");
    else
        std::snprintf(out + used, size - used, "%s", kProgramName);
    DropSplitCharacter(out, parts.isLeadByte);
}
