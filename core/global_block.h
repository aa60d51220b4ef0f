// Global memory blocks: the record's own, grown with handle and size kept in
// step, locked with a release on every path, and other programs' blocks,
// read without trusting their contents.
#pragma once

#include <windows.h>

// Grows *block to exactly needed bytes when it is smaller, allocating it when
// there is none yet; the new bytes are zero. When memory cannot be had, both
// the block and *size stay as they were and the result is FALSE.
BOOL GrowGlobalBlock(HGLOBAL *block, DWORD *size, DWORD needed);

// Grows *block to hold a text of length UTF-16 characters with its terminator
// and, right after it, room for the same text in Shift-JIS (at most two bytes
// a character) and extra bytes more. FALSE, the block as it was, when memory
// is short or the size would not fit.
BOOL FitTextAndShiftJis(HGLOBAL *block, DWORD *size, DWORD length, DWORD extra);

// A block locked for the lifetime of the object.
class LockedBlock {
public:
    explicit LockedBlock(HGLOBAL block);
    ~LockedBlock();
    LockedBlock(const LockedBlock &) = delete;
    LockedBlock &operator=(const LockedBlock &) = delete;

    char *bytes() const { return bytes_; }
    // The window was destroyed during a nested message loop, and the record's
    // release freed the block under the lock: nothing is left to unlock.
    void Abandon() { bytes_ = NULL; }

private:
    HGLOBAL block_;
    char *bytes_;
};

// True while some caller up the stack holds the block locked.
bool IsBlockLocked(HGLOBAL block);

// A private, terminated copy, in Shift-JIS, of the string at the start of
// another program's block (clipboard text, a DDE command): UTF-16 text when
// utf16 is set, converted, else bytes as they stand. Its length is measured
// within the block's size, since the owner may have left out the terminator.
// NULL when the block cannot be read or no memory can be had; free it with
// GlobalFree.
char *CopyForeignString(HGLOBAL block, BOOL utf16);
