#include "core/global_block.h"

#include <cstring>

BOOL GrowGlobalBlock(HGLOBAL *block, DWORD *size, DWORD needed)
{
    if (needed <= *size && *block)
        return TRUE;
    HGLOBAL grown = *block ? GlobalReAlloc(*block, needed, GMEM_MOVEABLE | GMEM_ZEROINIT)
                           : GlobalAlloc(GHND, needed);
    if (!grown)
        return FALSE;
    *block = grown;
    *size = needed;
    return TRUE;
}

LockedBlock::LockedBlock(HGLOBAL block)
    : block_(block), bytes_(block ? static_cast<char *>(GlobalLock(block)) : NULL)
{
}

LockedBlock::~LockedBlock()
{
    if (bytes_)
        GlobalUnlock(block_);
}

bool IsBlockLocked(HGLOBAL block)
{
    if (!block)
        return false;
    UINT flags = GlobalFlags(block);
    return flags != GMEM_INVALID_HANDLE && (flags & GMEM_LOCKCOUNT) != 0;
}

char *CopyForeignString(HGLOBAL block)
{
    LockedBlock source(block);
    if (!source.bytes())
        return NULL;
    SIZE_T size = GlobalSize(block);
    const void *terminator = std::memchr(source.bytes(), '\0', size);
    SIZE_T length = terminator ? static_cast<SIZE_T>(static_cast<const char *>(terminator) - source.bytes()) : size;
    char *copy = length < MAXDWORD ? static_cast<char *>(GlobalAlloc(GPTR, length + 1)) : NULL;
    if (copy)
        std::memcpy(copy, source.bytes(), length);
    return copy;
}
