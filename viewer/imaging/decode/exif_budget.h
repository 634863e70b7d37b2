// A memory allocator for libexif that refuses once a parse has taken its
// share: a crafted block can make the library copy the same bytes once per
// entry, so its needs are bounded here rather than trusted.
#pragma once

#include <stddef.h>

#include <libexif/exif-mem.h>

struct ExifBudget
{
    size_t cbCap;      // most bytes live at once
    size_t cbInUse;
    size_t cbPeak;
    bool bRefused;     // an allocation was refused: what was loaded is partial
};

// The cap for a parse of a cbBlock-byte block.
size_t ExifBudgetFor(size_t cbBlock);

// Makes the calling thread's libexif allocations draw from *pBudget until
// the scope ends. Everything allocated inside must be freed inside.
class CExifBudgetScope
{
public:
    explicit CExifBudgetScope(ExifBudget* pBudget);
    ~CExifBudgetScope();
    // An allocator drawing from the scope's budget; null when even it
    // cannot be made. The caller unrefs it inside the scope.
    ExifMem* NewMem();

private:
    ExifBudget* m_pOuter;
    CExifBudgetScope(const CExifBudgetScope&) = delete;
    CExifBudgetScope& operator=(const CExifBudgetScope&) = delete;
};
