#include "textflow/global_block.h"

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
