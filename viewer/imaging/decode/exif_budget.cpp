#include "viewer/imaging/decode/exif_budget.h"

#include <stdlib.h>
#include <string.h>

namespace {

// libexif's allocator functions take no context, and thumbnails are read on
// the worker while the file information reads on the window's thread.
thread_local ExifBudget* t_pBudget = NULL;

// Each block remembers its size, so that frees and reallocations can be
// counted; the header keeps the 16-byte alignment of the C library.
struct alignas(16) BlockHeader
{
    size_t cb;
};

bool Take(ExifBudget* pBudget, size_t cbMore)
{
    if (cbMore > pBudget->cbCap - pBudget->cbInUse)
    {
        pBudget->bRefused = true;
        return false;
    }
    pBudget->cbInUse += cbMore;
    if (pBudget->cbInUse > pBudget->cbPeak)
        pBudget->cbPeak = pBudget->cbInUse;
    return true;
}

void* BudgetAlloc(ExifLong cb)
{
    ExifBudget* pBudget = t_pBudget;
    if (!pBudget || !Take(pBudget, cb))
        return NULL;
    BlockHeader* pHeader = static_cast<BlockHeader*>(calloc(1, sizeof(BlockHeader) + cb));
    if (!pHeader)
    {
        pBudget->cbInUse -= cb;
        pBudget->bRefused = true;
        return NULL;
    }
    pHeader->cb = cb;
    return pHeader + 1;
}

void BudgetFree(void* pv)
{
    if (!pv)
        return;
    BlockHeader* pHeader = static_cast<BlockHeader*>(pv) - 1;
    if (t_pBudget)
        t_pBudget->cbInUse -= pHeader->cb;
    free(pHeader);
}

void* BudgetRealloc(void* pv, ExifLong cb)
{
    if (!pv)
        return BudgetAlloc(cb);
    ExifBudget* pBudget = t_pBudget;
    BlockHeader* pHeader = static_cast<BlockHeader*>(pv) - 1;
    const size_t cbOld = pHeader->cb;
    if (!pBudget || (cb > cbOld && !Take(pBudget, cb - cbOld)))
        return NULL;
    BlockHeader* pNew = static_cast<BlockHeader*>(realloc(pHeader, sizeof(BlockHeader) + cb));
    if (!pNew)
    {
        if (cb > cbOld)
            pBudget->cbInUse -= cb - cbOld;
        pBudget->bRefused = true;
        return NULL;
    }
    if (cb < cbOld)
        pBudget->cbInUse -= cbOld - cb;
    pNew->cb = cb;
    return pNew + 1;
}

} // namespace

size_t ExifBudgetFor(size_t cbBlock)
{
    // libexif copies each entry's value and the preview once and adds some
    // tens of bytes per entry: a camera's 17 KB block with its preview peaks
    // at 1.1 times its size. Twice the size leaves room for blocks of many
    // small entries; a 64 KiB block can so take at most 144 KiB.
    return 2 * cbBlock + 16 * 1024;
}

CExifBudgetScope::CExifBudgetScope(ExifBudget* pBudget) : m_pOuter(t_pBudget)
{
    t_pBudget = pBudget;
}

CExifBudgetScope::~CExifBudgetScope()
{
    t_pBudget = m_pOuter;
}

ExifMem* CExifBudgetScope::NewMem()
{
    return exif_mem_new(BudgetAlloc, BudgetRealloc, BudgetFree);
}
