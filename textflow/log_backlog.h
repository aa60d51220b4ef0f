// Text for the daily log that could not be written yet: a viewer or a lock
// held the day's file, or the disk was full. It waits in order, with the day
// it was cut on, and goes out ahead of anything newer. Kept free of windows.h
// so it can be checked natively.
#pragma once

#include <cstddef>

#include "textflow/log_file_name.h"

// What may wait, in bytes: at 9600 baud more than an hour of a busy line,
// and still little memory. Text that would go past it is dropped and counted,
// and the count is written into the log where the text would have been.
inline constexpr std::size_t kLogBacklogLimit = 4 * 1024 * 1024;

// Appends bytes to the log file of a date and returns how many it wrote:
// all, some (a full disk) or none.
typedef std::size_t (*LogFileWriter)(void *context, const LogDate &date, const char *bytes,
                                     std::size_t length);

struct LogBacklog;

// Writes what waits, then the text cut on date. Whatever the writer does not
// take waits in *backlog, which exists only while something waits.
void AppendToLog(LogBacklog **backlog, const LogDate &date, const char *text, std::size_t length,
                 LogFileWriter write, void *context);

// Writes what waits; whatever the writer does not take still waits.
void FlushLogBacklog(LogBacklog **backlog, LogFileWriter write, void *context);

void FreeLogBacklog(LogBacklog **backlog);

// Counts one tick of the caller's timer while something waits; true on every
// ticks-th, when it is time to try the file again.
bool IsLogRetryDue(LogBacklog *backlog, unsigned ticks);
