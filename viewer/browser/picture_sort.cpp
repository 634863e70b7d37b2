#include "viewer/browser/picture_sort.h"

#include <stdlib.h>
#include <wchar.h>

#include <algorithm>

#include "viewer/common/picture_type.h"
// An ASCII character as _wcsicmp compares it: A to Z become a to z.
static inline unsigned FoldAscii(unsigned c)
{
    return c - L'A' <= (unsigned)(L'Z' - L'A') ? c + (L'a' - L'A') : c;
}

int CompareNamesNoCase(const WCHAR* pszA, const WCHAR* pszB)
{
    for (;; ++pszA, ++pszB)
    {
        unsigned a = *pszA, b = *pszB;
        // Past ASCII the folding may depend on the locale: the runtime
        // compares the rest, the folded parts before being equal.
        if (a >= 0x80 || b >= 0x80)
            return _wcsicmp(pszA, pszB);
        a = FoldAscii(a);
        b = FoldAscii(b);
        if (a != b || !a)
            return (int)a - (int)b;
    }
}

bool ComesBefore(const PictureEntry* q, const PictureEntry* c, int nKey, int nDirection)
{
    const bool bReverse = nDirection != 0;
    switch (nKey)
    {
    case SORT_BY_NAME:
    {
        int n = CompareNamesNoCase(q->szName, c->szName);
        return bReverse ? n > 0 : n < 0;
    }
    case SORT_BY_TYPE:
    {
        // By rank: the newer types sort after the older ones.
        const int nQ = PictureTypeSortRank(q->nType), nC = PictureTypeSortRank(c->nType);
        return bReverse ? nQ < nC : nQ > nC;
    }
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

// A key whose smaller value comes first: q comes before c exactly when
// key(q) < key(c).
DWORD ForwardKey(const PictureEntry* p, int nKey)
{
    switch (nKey)
    {
    case SORT_BY_TYPE:
        return ~(DWORD)PictureTypeSortRank(p->nType);
    case SORT_BY_SIZE:
        return ~p->nFileSize;
    default:
        return ~p->ftLastWrite.dwHighDateTime;
    }
}

// The working memory of one sort: one block of n-sized arrays, freed with it.
struct SortWork
{
    size_t n = 0;
    unsigned* pBlock = nullptr;
    unsigned* rgKey = nullptr;    // per list position: its key, then its rank
    unsigned* rgSorted = nullptr; // the keys in order, then the distinct ones
    unsigned* rgStart = nullptr;  // n + 1: where each rank's positions start in rgByRank
    unsigned* rgByRank = nullptr; // list positions by rank, each rank's in list order
    unsigned* rgTree = nullptr;   // n + 1: counts of the smaller keys' positions (Fenwick)
    unsigned* rgLeft = nullptr;   // the queue of one rank: an implicit treap on list positions
    unsigned* rgRight = nullptr;
    unsigned* rgSize = nullptr;
    unsigned* rgPriority = nullptr;
    unsigned* rgStack = nullptr;

    bool Allocate(size_t nEntries)
    {
        n = nEntries;
        // 8 arrays of n and 2 of n + 1; a list has far fewer than 4G entries.
        pBlock = static_cast<unsigned*>(calloc(10 * n + 2, sizeof(unsigned)));
        if (!pBlock)
            return false;
        unsigned* p = pBlock;
        unsigned** rgpArray[] = {&rgKey, &rgSorted, &rgByRank, &rgLeft, &rgRight, &rgSize, &rgPriority, &rgStack};
        for (unsigned** pp : rgpArray)
        {
            *pp = p;
            p += n;
        }
        rgStart = p;
        p += n + 1;
        rgTree = p;
        return true;
    }
    ~SortWork() { free(pBlock); }
};

const unsigned NONE = 0xFFFFFFFFu;

// A name's first 16 characters folded, a byte each, the first one highest:
// where two keys differ, so do their names, in the same order. Most
// comparisons of a sort by name then never reach the entries, which lie all
// over the memory.
struct NameKey
{
    unsigned long long nHigh;
    unsigned long long nLow;
    unsigned nPosition;
};

// False for a name with a character past ASCII among its first 16.
bool PackName(const WCHAR* pszName, NameKey* pKey)
{
    unsigned long long rgn[2] = {0, 0};
    for (int j = 0; j < 16 && pszName[j]; ++j)
    {
        const unsigned c = pszName[j];
        if (c >= 0x80)
            return false;
        rgn[j / 8] |= (unsigned long long)FoldAscii(c) << (8 * (7 - j % 8));
    }
    pKey->nHigh = rgn[0];
    pKey->nLow = rgn[1];
    return true;
}

// The ranks through the keys; false, with nothing set, when a name has no
// key or there is no memory for them.
bool RankNamesByKeys(PictureEntry** rgp, SortWork& w)
{
    const size_t n = w.n;
    NameKey* rgKeys = static_cast<NameKey*>(malloc(n * sizeof(NameKey)));
    if (!rgKeys)
        return false;
    for (size_t i = 0; i < n; ++i)
    {
        if (!PackName(rgp[i]->szName, &rgKeys[i]))
        {
            free(rgKeys);
            return false;
        }
        rgKeys[i].nPosition = (unsigned)i;
    }
    auto before = [rgp](const NameKey& a, const NameKey& b) {
        if (a.nHigh != b.nHigh)
            return a.nHigh < b.nHigh;
        if (a.nLow != b.nLow)
            return a.nLow < b.nLow;
        return CompareNamesNoCase(rgp[a.nPosition]->szName, rgp[b.nPosition]->szName) < 0;
    };
    std::sort(rgKeys, rgKeys + n, before);
    unsigned nRank = 0;
    for (size_t i = 0; i < n; ++i)
    {
        if (i > 0 && before(rgKeys[i - 1], rgKeys[i]))
            ++nRank;
        w.rgKey[rgKeys[i].nPosition] = nRank;
    }
    free(rgKeys);
    return true;
}

// Names become their rank among the distinct names (as _wcsicmp tells them
// apart), so that everything after compares integers.
bool RankNames(PictureEntry** rgp, SortWork& w)
{
    if (RankNamesByKeys(rgp, w))
        return true;
    const size_t n = w.n;
    size_t* rgOrder = static_cast<size_t*>(malloc(n * sizeof(size_t)));
    if (!rgOrder)
        return false;
    for (size_t i = 0; i < n; ++i)
        rgOrder[i] = i;
    std::sort(rgOrder, rgOrder + n,
              [rgp](size_t x, size_t y) { return CompareNamesNoCase(rgp[x]->szName, rgp[y]->szName) < 0; });
    unsigned nRank = 0;
    for (size_t i = 0; i < n; ++i)
    {
        if (i > 0 && CompareNamesNoCase(rgp[rgOrder[i - 1]]->szName, rgp[rgOrder[i]]->szName) != 0)
            ++nRank;
        w.rgKey[rgOrder[i]] = nRank;
    }
    free(rgOrder);
    return true;
}

bool TakeKeys(PictureEntry** rgp, int nKey, int nDirection, SortWork& w)
{
    if (nKey == SORT_BY_NAME)
    {
        if (!RankNames(rgp, w))
            return false;
        // Names come A to Z forward: the rank is the key; the reverse flips it.
        if (nDirection != 0)
            for (size_t i = 0; i < w.n; ++i)
                w.rgKey[i] = ~w.rgKey[i];
        return true;
    }
    for (size_t i = 0; i < w.n; ++i)
        w.rgKey[i] = nDirection != 0 ? ~ForwardKey(rgp[i], nKey) : ForwardKey(rgp[i], nKey);
    return true;
}

// Keys become ranks 0 .. d-1, and each rank's positions are listed in list
// order; returns d.
size_t RankKeys(SortWork& w)
{
    const size_t n = w.n;
    std::copy(w.rgKey, w.rgKey + n, w.rgSorted);
    std::sort(w.rgSorted, w.rgSorted + n);
    const size_t d = (size_t)(std::unique(w.rgSorted, w.rgSorted + n) - w.rgSorted);
    for (size_t i = 0; i < n; ++i)
    {
        w.rgKey[i] = (unsigned)(std::lower_bound(w.rgSorted, w.rgSorted + d, w.rgKey[i]) - w.rgSorted);
        ++w.rgStart[w.rgKey[i] + 1];
    }
    for (size_t r = 0; r < d; ++r)
        w.rgStart[r + 1] += w.rgStart[r];
    // rgSorted is free again: it counts how many of each rank are placed.
    std::fill(w.rgSorted, w.rgSorted + d, 0u);
    for (size_t i = 0; i < n; ++i)
        w.rgByRank[w.rgStart[w.rgKey[i]] + w.rgSorted[w.rgKey[i]]++] = (unsigned)i;
    return d;
}

// How many positions below nEnd hold a smaller rank than the one at work.
unsigned CountSmallerBefore(const SortWork& w, size_t nEnd)
{
    unsigned nCount = 0;
    for (size_t i = nEnd; i > 0; i -= i & (0 - i))
        nCount += w.rgTree[i];
    return nCount;
}

void MarkSmaller(SortWork& w, size_t nPosition)
{
    for (size_t i = nPosition + 1; i <= w.n; i += i & (0 - i))
        ++w.rgTree[i];
}

// ---- The queue of one rank: push at the end, move the head to the end. ----

unsigned SizeOf(const SortWork& w, unsigned t)
{
    return t == NONE ? 0 : w.rgSize[t];
}

void Resize(SortWork& w, unsigned t)
{
    w.rgSize[t] = 1 + SizeOf(w, w.rgLeft[t]) + SizeOf(w, w.rgRight[t]);
}

unsigned Join(SortWork& w, unsigned a, unsigned b)
{
    if (a == NONE)
        return b;
    if (b == NONE)
        return a;
    if (w.rgPriority[a] > w.rgPriority[b])
    {
        w.rgRight[a] = Join(w, w.rgRight[a], b);
        Resize(w, a);
        return a;
    }
    w.rgLeft[b] = Join(w, a, w.rgLeft[b]);
    Resize(w, b);
    return b;
}

// The first k of t into *pa, the rest into *pb.
void Split(SortWork& w, unsigned t, unsigned k, unsigned* pa, unsigned* pb)
{
    if (t == NONE)
    {
        *pa = *pb = NONE;
        return;
    }
    if (SizeOf(w, w.rgLeft[t]) >= k)
    {
        Split(w, w.rgLeft[t], k, pa, &w.rgLeft[t]);
        Resize(w, t);
        *pb = t;
    }
    else
    {
        Split(w, w.rgRight[t], k - SizeOf(w, w.rgLeft[t]) - 1, &w.rgRight[t], pb);
        Resize(w, t);
        *pa = t;
    }
}

// Appends the queue's positions in order to rgpOut.
void Drain(SortWork& w, unsigned t, PictureEntry** rgp, PictureEntry** rgpOut, size_t* pnOut)
{
    size_t nDepth = 0;
    while (t != NONE || nDepth > 0)
    {
        while (t != NONE)
        {
            w.rgStack[nDepth++] = t;
            t = w.rgLeft[t];
        }
        t = w.rgStack[--nDepth];
        rgpOut[(*pnOut)++] = rgp[t];
        t = w.rgRight[t];
    }
}

} // namespace

// In a pass the exchanges run along the chain of ever smaller keys from the
// pass's position, and an entry moves only by what lies at or below its own
// key: the entries up to any key are ordered among themselves as if alone.
// Among those up to key v, the first entry of key v moves, when it stands
// first, to the place of the next smaller entry, which leaves for the front.
// So the entries of one key come out as a queue: walking the entries up to
// that key in list order, one of that key joins the queue's end, and each
// smaller one moves the head of a queue that has any to its end. The keys
// come out in order, each key's entries in its queue's order.
bool OrderPictures(PictureEntry** rgpEntries, size_t n, int nKey, int nDirection)
{
    if (nKey < SORT_BY_NAME || nKey > SORT_BY_DATE)
        return false;
    if (n < 2)
        return true;
    SortWork w;
    if (n >= NONE || !w.Allocate(n) || !TakeKeys(rgpEntries, nKey, nDirection, w))
        return false;
    PictureEntry** rgpOut = static_cast<PictureEntry**>(malloc(n * sizeof(PictureEntry*)));
    if (!rgpOut)
        return false;
    const size_t d = RankKeys(w);
    unsigned nSeed = 2463534242u;
    size_t nOut = 0;
    for (size_t r = 0; r < d; ++r)
    {
        const unsigned* pFirst = w.rgByRank + w.rgStart[r];
        const unsigned* pEnd = w.rgByRank + w.rgStart[r + 1];
        unsigned root = NONE;
        for (const unsigned* pp = pFirst; pp != pEnd; ++pp)
        {
            const unsigned t = *pp;
            nSeed ^= nSeed << 13;
            nSeed ^= nSeed >> 17;
            nSeed ^= nSeed << 5;
            w.rgPriority[t] = nSeed;
            w.rgLeft[t] = w.rgRight[t] = NONE;
            w.rgSize[t] = 1;
            root = Join(w, root, t);
            // The smaller entries up to this key's next one move the head.
            const size_t nNext = pp + 1 != pEnd ? pp[1] : n;
            const unsigned nMoves =
                (CountSmallerBefore(w, nNext) - CountSmallerBefore(w, (size_t)t + 1)) % w.rgSize[root];
            if (nMoves)
            {
                unsigned a, b;
                Split(w, root, nMoves, &a, &b);
                root = Join(w, b, a);
            }
        }
        Drain(w, root, rgpEntries, rgpOut, &nOut);
        for (const unsigned* pp = pFirst; pp != pEnd; ++pp)
            MarkSmaller(w, *pp);
    }
    std::copy(rgpOut, rgpOut + n, rgpEntries);
    free(rgpOut);
    return true;
}
