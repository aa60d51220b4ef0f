#pragma once

// Drops every line feed from a NUL-terminated text in place.
void RemoveLineFeeds(char *text);
