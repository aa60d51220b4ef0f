#include "textflow/log_backlog.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A new piece starts at each new day and after each loss, so that text goes
// to the file of its own day and a loss is noted where it happened. When
// the pieces run out, further losses are counted on the last one.
const std::size_t kMaxPieces = 16;
const std::size_t kFirstCapacity = 64 * 1024;

struct LogPiece {
    LogDate date;
    std::size_t length;        // bytes of text waiting, after the earlier pieces' text
    unsigned long long lost;   // bytes dropped after the text, not yet noted
    char note[128];            // the note of the loss, once its count is final
    std::size_t noteLength;    // note bytes still to write
};

}  // namespace

struct LogBacklog {
    char *bytes;               // the pieces' text, in order, from start
    std::size_t start;
    std::size_t used;
    std::size_t capacity;
    LogPiece pieces[kMaxPieces];
    std::size_t count;
    unsigned ticks;
};

namespace {

bool IsSameDate(const LogDate &a, const LogDate &b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

// The last piece when more may go into it, else a new one; NULL when none
// is left. Text never follows a loss in the same piece.
LogPiece *PieceFor(LogBacklog *backlog, const LogDate &date, bool forText)
{
    if (backlog->count > 0) {
        LogPiece *last = &backlog->pieces[backlog->count - 1];
        if (IsSameDate(last->date, date) && last->noteLength == 0 && (!forText || last->lost == 0))
            return last;
    }
    if (backlog->count == kMaxPieces)
        return NULL;
    LogPiece *piece = &backlog->pieces[backlog->count++];
    *piece = LogPiece{};
    piece->date = date;
    return piece;
}

void Lose(LogBacklog *backlog, const LogDate &date, std::size_t length)
{
    LogPiece *piece = PieceFor(backlog, date, false);
    if (!piece)
        piece = &backlog->pieces[backlog->count - 1];
    piece->lost += length;
}

// Room for length more bytes after what waits, the waiting bytes moved to the
// front of the buffer first.
bool MakeRoom(LogBacklog *backlog, std::size_t length)
{
    if (backlog->start > 0)
        std::memmove(backlog->bytes, backlog->bytes + backlog->start, backlog->used);
    backlog->start = 0;
    std::size_t needed = backlog->used + length;
    if (needed <= backlog->capacity)
        return true;
    std::size_t capacity = std::min(kLogBacklogLimit, std::max({kFirstCapacity, backlog->capacity * 2, needed}));
    char *bytes = static_cast<char *>(std::realloc(backlog->bytes, capacity));
    if (!bytes)
        return false;
    backlog->bytes = bytes;
    backlog->capacity = capacity;
    return true;
}

void Keep(LogBacklog **backlog, const LogDate &date, const char *text, std::size_t length)
{
    if (!*backlog)
        *backlog = static_cast<LogBacklog *>(std::calloc(1, sizeof(LogBacklog)));
    LogBacklog *kept = *backlog;
    if (!kept)
        return;
    LogPiece *piece = PieceFor(kept, date, true);
    if (!piece || length > kLogBacklogLimit - kept->used || !MakeRoom(kept, length)) {
        Lose(kept, date, length);
        return;
    }
    std::memcpy(kept->bytes + kept->used, text, length);
    kept->used += length;
    piece->length += length;
}

// Hands bytes to the writer; returns how many it took.
std::size_t WriteOut(LogFileWriter write, void *context, const LogDate &date, const char *bytes,
                     std::size_t length)
{
    return length == 0 ? 0 : std::min(length, write(context, date, bytes, length));
}

// The count is final once the text before it is written: later losses
// happen after the note.
void NoteLoss(LogPiece *piece)
{
    int length = std::snprintf(piece->note, sizeof piece->note,
                               "\r\n[VRK] The log file could not be written; bytes lost here: %llu\r\n",
                               piece->lost);
    piece->noteLength = length > 0 ? std::min(static_cast<std::size_t>(length), sizeof piece->note - 1) : 0;
    piece->lost = 0;
}

// Writes the first piece's text, then the note of what was lost after it.
// True when nothing of it is left.
bool WriteFirstPiece(LogBacklog *backlog, LogFileWriter write, void *context)
{
    LogPiece *piece = &backlog->pieces[0];
    std::size_t written = WriteOut(write, context, piece->date, backlog->bytes + backlog->start, piece->length);
    backlog->start += written;
    backlog->used -= written;
    piece->length -= written;
    if (piece->length > 0)
        return false;
    if (piece->lost > 0)
        NoteLoss(piece);
    written = WriteOut(write, context, piece->date, piece->note, piece->noteLength);
    piece->noteLength -= written;
    std::memmove(piece->note, piece->note + written, piece->noteLength);
    return piece->noteLength == 0;
}

void DropFirstPiece(LogBacklog *backlog)
{
    --backlog->count;
    std::memmove(backlog->pieces, backlog->pieces + 1, backlog->count * sizeof(LogPiece));
}

}  // namespace

void FlushLogBacklog(LogBacklog **backlog, LogFileWriter write, void *context)
{
    LogBacklog *waiting = *backlog;
    while (waiting && waiting->count > 0 && WriteFirstPiece(waiting, write, context))
        DropFirstPiece(waiting);
    if (waiting && waiting->count == 0)
        FreeLogBacklog(backlog);
}

void AppendToLog(LogBacklog **backlog, const LogDate &date, const char *text, std::size_t length,
                 LogFileWriter write, void *context)
{
    FlushLogBacklog(backlog, write, context);
    std::size_t written = *backlog ? 0 : WriteOut(write, context, date, text, length);
    if (written < length)
        Keep(backlog, date, text + written, length - written);
}

void FreeLogBacklog(LogBacklog **backlog)
{
    if (!*backlog)
        return;
    std::free((*backlog)->bytes);
    std::free(*backlog);
    *backlog = NULL;
}

bool IsLogRetryDue(LogBacklog *backlog, unsigned ticks)
{
    if (!backlog || ++backlog->ticks < ticks)
        return false;
    backlog->ticks = 0;
    return true;
}
