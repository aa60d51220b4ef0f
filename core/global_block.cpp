#include "core/global_block.h"

#include <cstring>

#include "core/shift_jis.h"

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

BOOL FitTextAndShiftJis(HGLOBAL *block, DWORD *size, DWORD length, DWORD extra)
{
    if (length > (MAXDWORD - extra) / 5)
        return FALSE;
    return GrowGlobalBlock(block, size, (length + 1) * static_cast<DWORD>(sizeof(wchar_t)) + 2 * length + extra);
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

// Characters of the given kind before the terminator, or in the whole block
// when it has none.
template <typename Character>
static SIZE_T ForeignLength(const Character *text, SIZE_T blockSize)
{
    SIZE_T capacity = blockSize / sizeof(Character);
    SIZE_T length = 0;
    while (length < capacity && text[length] != 0)
        ++length;
    return length;
}

char *CopyForeignString(HGLOBAL block, BOOL utf16)
{
    LockedBlock source(block);
    if (!source.bytes())
        return NULL;
    const auto *wide = reinterpret_cast<const wchar_t *>(source.bytes());
    SIZE_T size = GlobalSize(block);
    SIZE_T length = utf16 ? ForeignLength(wide, size) : ForeignLength(source.bytes(), size);
    // Two bytes a character at most, and the terminator.
    SIZE_T bytes = utf16 ? 2 * length : length;
    char *copy = bytes < MAXDWORD ? static_cast<char *>(GlobalAlloc(GPTR, bytes + 1)) : NULL;
    if (copy && utf16)
        WideToShiftJis(wide, length, copy);
    else if (copy)
        std::memcpy(copy, source.bytes(), length);
    return copy;
}
