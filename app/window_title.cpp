#include "app/window_title.h"

#include <cstdio>

#include "app/program_identity.h"

void FormatWindowTitle(char *out, std::size_t size, const TitleParts &parts)
{
    if (size == 0)
        return;
    out[0] = '\0';
    std::size_t used = 0;
    if (parts.portOpen) {
        int written = std::snprintf(out, size, "COM%ld %ld - ", parts.portNumber, parts.baudRate);
        if (written < 0)
            return;
        used = static_cast<std::size_t>(written) < size ? static_cast<std::size_t>(written) : size - 1;
    }
    if (parts.ddeEnabled)
        std::snprintf(out + used, size - used, "%s (%s)", kProgramName, parts.serviceName);
    else
        std::snprintf(out + used, size - used, "%s", kProgramName);
}
