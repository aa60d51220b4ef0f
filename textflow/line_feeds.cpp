#include "textflow/line_feeds.h"

void RemoveLineFeeds(char *text)
{
    char *kept = text;
    for (const char *next = text; *next != '\0'; ++next) {
        if (*next != '\n')
            *kept++ = *next;
    }
    *kept = '\0';
}
