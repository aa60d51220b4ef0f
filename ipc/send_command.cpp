#include "ipc/send_command.h"

#include <cstring>

static const char kSendName[] = "Send";
static const size_t kSendNameLength = sizeof kSendName - 1;

bool FindSendCommandText(const char *command, size_t length, SendCommandText *text)
{
    if (length < 2 || command[0] != '[' || command[length - 1] != ']')
        return false;
    const char *inner = command + 1;
    size_t innerLength = length - 2;
    const void *found = innerLength ? memchr(inner, '(', innerLength) : nullptr;
    if (!found || inner[innerLength - 1] != ')')
        return false;
    // The final ")" cannot be the "(" just found, so the text is never negative.
    size_t nameLength = static_cast<size_t>(static_cast<const char *>(found) - inner);
    if (nameLength != kSendNameLength || memcmp(inner, kSendName, kSendNameLength) != 0)
        return false;
    text->offset = 1 + nameLength + 1;
    text->length = innerLength - nameLength - 2;
    return true;
}
