#include "viewer/browser/picture_sort.h"

#include <stdlib.h>
#include <wchar.h>

#include <algorithm>

bool ComesBefore(const PictureEntry* q, const PictureEntry* c, int nKey, int nDirection)
{
    const bool bReverse = nDirection != 0;
    switch (nKey)
    {
    case SORT_BY_NAME:
    {
        int n = _wcsicmp(q->szName, c->szName);
        return bReverse ? n > 0 : n < 0;
    }
    case SORT_BY_TYPE:
        return bReverse ? q->nType < c->nType : q->nType > c->nType;
    case SORT_BY_SIZE:
        return bReverse ? q->nFileSize < c->nFileSize : q->nFileSize > c->nFileSize;
    case SORT_BY_DATE:
        // Only the upper word: times within about seven minutes tie.
        return bReverse ? q->ftLastWrite.dwHighDateTime < c->ftLastWrite.dwHighDateTime
                        : q->ftLastWrite.dwHighDateTime > c->ftLastWrite.dwHighDateTime;
    default:
        return false;
    }
}

namespace {

// The working arrays of one sort, freed together.
struct SortArrays
{
    DWORD* rgKey = nullptr;    // per position: the entry's key, then its rank
    DWORD* rgSorted = nullptr; // the keys in ascending order, then the distinct ones
    DWORD* rgCount = nullptr;  // per rank: how many positions not yet placed hold it
    size_t* rgOrder = nullptr; // names only: positions in name order

    ~SortArrays()
    {
        free(rgKey);
        free(rgSorted);
        free(rgCount);
        free(rgOrder);
    }
};

// Names become their rank among the distinct names (as _wcsicmp tells them
// apart), so that the loop below compares integers.
bool RankNames(PictureEntry** rgp, size_t n, SortArrays& a)
{
    a.rgOrder = static_cast<size_t*>(malloc(n * sizeof(size_t)));
    if (!a.rgOrder)
        return false;
    for (size_t i = 0; i < n; ++i)
        a.rgOrder[i] = i;
    std::sort(a.rgOrder, a.rgOrder + n,
              [rgp](size_t x, size_t y) { return _wcsicmp(rgp[x]->szName, rgp[y]->szName) < 0; });
    DWORD nRank = 0;
    for (size_t i = 0; i < n; ++i)
    {
        if (i > 0 && _wcsicmp(rgp[a.rgOrder[i - 1]]->szName, rgp[a.rgOrder[i]]->szName) != 0)
            ++nRank;
        a.rgKey[a.rgOrder[i]] = nRank;
    }
    return true;
}

// A key whose smaller value comes first: q comes before c exactly when
// key(q) < key(c).
DWORD ForwardKey(const PictureEntry* p, int nKey)
{
    switch (nKey)
    {
    case SORT_BY_TYPE:
        return ~(DWORD)p->nType;
    case SORT_BY_SIZE:
        return ~p->nFileSize;
    default:
        return ~p->ftLastWrite.dwHighDateTime;
    }
}

bool TakeKeys(PictureEntry** rgp, size_t n, int nKey, int nDirection, SortArrays& a)
{
    if (nKey == SORT_BY_NAME)
    {
        if (!RankNames(rgp, n, a))
            return false;
        // Names come A to Z forward: the rank is the key; the reverse flips it.
        if (nDirection != 0)
            for (size_t i = 0; i < n; ++i)
                a.rgKey[i] = ~a.rgKey[i];
        return true;
    }
    for (size_t i = 0; i < n; ++i)
        a.rgKey[i] = nDirection != 0 ? ~ForwardKey(rgp[i], nKey) : ForwardKey(rgp[i], nKey);
    return true;
}

// Keys become ranks 0 .. d-1 with a count each; returns d.
size_t RankKeys(size_t n, SortArrays& a)
{
    std::copy(a.rgKey, a.rgKey + n, a.rgSorted);
    std::sort(a.rgSorted, a.rgSorted + n);
    const size_t d = (size_t)(std::unique(a.rgSorted, a.rgSorted + n) - a.rgSorted);
    for (size_t i = 0; i < n; ++i)
    {
        a.rgKey[i] = (DWORD)(std::lower_bound(a.rgSorted, a.rgSorted + d, a.rgKey[i]) - a.rgSorted);
        ++a.rgCount[a.rgKey[i]];
    }
    return d;
}

// The exchange loop itself, on ranks and pointers. A position's pass ends
// early once it holds the smallest rank left: nothing after it can come
// before it any more.
void ExchangeLoop(PictureEntry** rgp, size_t n, SortArrays& a)
{
    DWORD* rgKey = a.rgKey;
    DWORD nLeast = 0;
    for (size_t p = 0; p + 1 < n; ++p)
    {
        while (a.rgCount[nLeast] == 0)
            ++nLeast;
        DWORD kp = rgKey[p];
        PictureEntry* pp = rgp[p];
        for (size_t q = p + 1; kp != nLeast && q < n; ++q)
        {
            if (rgKey[q] < kp)
            {
                const DWORD k = rgKey[q];
                rgKey[q] = kp;
                kp = k;
                PictureEntry* t = rgp[q];
                rgp[q] = pp;
                pp = t;
            }
        }
        rgKey[p] = kp;
        rgp[p] = pp;
        --a.rgCount[kp];
    }
}

} // namespace

bool OrderPictures(PictureEntry** rgpEntries, size_t n, int nKey, int nDirection)
{
    if (nKey < SORT_BY_NAME || nKey > SORT_BY_DATE)
        return false;
    if (n < 2)
        return true;
    SortArrays a;
    a.rgKey = static_cast<DWORD*>(malloc(n * sizeof(DWORD)));
    a.rgSorted = static_cast<DWORD*>(malloc(n * sizeof(DWORD)));
    a.rgCount = static_cast<DWORD*>(calloc(n, sizeof(DWORD)));
    if (!a.rgKey || !a.rgSorted || !a.rgCount || !TakeKeys(rgpEntries, n, nKey, nDirection, a))
        return false;
    const size_t d = RankKeys(n, a);
    if (d == n)
    {
        // Every key differs: the one sorted order is the exchange sort's, and
        // each entry's rank is its place.
        PictureEntry** rgpOut = static_cast<PictureEntry**>(malloc(n * sizeof(PictureEntry*)));
        if (rgpOut)
        {
            for (size_t i = 0; i < n; ++i)
                rgpOut[a.rgKey[i]] = rgpEntries[i];
            std::copy(rgpOut, rgpOut + n, rgpEntries);
            free(rgpOut);
            return true;
        }
    }
    ExchangeLoop(rgpEntries, n, a);
    return true;
}
