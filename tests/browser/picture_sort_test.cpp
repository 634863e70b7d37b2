// The column sort against the straightforward exchange sort over random
// lists with many ties: the same order for every key and both directions.
#include <gtest/gtest.h>
#include <windows.h>
#include <random>
#include <string>
#include <vector>
#include "viewer/browser/picture_sort.h"

namespace {

// The plain exchange sort, moving whole entries, with its own comparison.
bool ReferenceBefore(const PictureEntry& q, const PictureEntry& c, int nKey, bool bReverse) {
    switch (nKey) {
    case SORT_BY_NAME: {
        const int n = _wcsicmp(q.szName, c.szName);
        return bReverse ? n > 0 : n < 0;
    }
    case SORT_BY_TYPE:
        return bReverse ? q.nType < c.nType : q.nType > c.nType;
    case SORT_BY_SIZE:
        return bReverse ? q.nFileSize < c.nFileSize : q.nFileSize > c.nFileSize;
    default:
        return bReverse ? q.ftLastWrite.dwHighDateTime < c.ftLastWrite.dwHighDateTime
                        : q.ftLastWrite.dwHighDateTime > c.ftLastWrite.dwHighDateTime;
    }
}

std::vector<LONG> ReferenceOrder(std::vector<PictureEntry> v, int nKey, bool bReverse) {
    for (size_t p = 0; p < v.size(); ++p)
        for (size_t q = p + 1; q < v.size(); ++q)
            if (ReferenceBefore(v[q], v[p], nKey, bReverse))
                std::swap(v[p], v[q]);
    std::vector<LONG> ids;
    for (const PictureEntry& e : v)
        ids.push_back(e.nIndex);
    return ids;
}

std::vector<LONG> NewOrder(std::vector<PictureEntry>& v, int nKey, int nDirection) {
    std::vector<PictureEntry*> rgp;
    for (PictureEntry& e : v)
        rgp.push_back(&e);
    EXPECT_TRUE(OrderPictures(rgp.data(), rgp.size(), nKey, nDirection));
    std::vector<LONG> ids;
    for (PictureEntry* p : rgp)
        ids.push_back(p->nIndex);
    return ids;
}

// n entries whose keys are drawn from `spread` values each, so that small
// spreads tie often; names tie by case too. nIndex is the entry's identity.
std::vector<PictureEntry> RandomEntries(std::mt19937& rng, size_t n, unsigned spread, bool bAsciiOnly) {
    static const PictureType types[] = {PICTYPE_BMP, PICTYPE_GIF, PICTYPE_PNG, PICTYPE_JPG, PICTYPE_JPEG};
    std::vector<PictureEntry> v(n);
    for (size_t i = 0; i < n; ++i) {
        PictureEntry& e = v[i];
        e.nIndex = (LONG)i;
        // Ties by case; "_" before letters (they fold to lower case); names
        // alike in their first 16 characters; past ASCII in some lists.
        static const wchar_t* stems[] = {L"p", L"P", L"p_", L"PA", L"pHoToAlBuM_", L"\u00e9", L"\u00c9"};
        std::wstring name = stems[rng() % (bAsciiOnly ? 5 : 7)] + std::to_wstring(rng() % spread) + L".jpg";
        wcscpy_s(e.szName, MAX_PATH, name.c_str());
        e.nType = types[rng() % 5];
        e.nFileSize = rng() % spread;
        // Low words differ; the upper word alone decides.
        e.ftLastWrite.dwHighDateTime = 0x01D5F000u + rng() % spread;
        e.ftLastWrite.dwLowDateTime = rng();
    }
    return v;
}

} // namespace

TEST(PictureSortTest, GivesTheExchangeSortsOrderForEveryKeyDirectionAndTie) {
    std::mt19937 rng(20240531);
    const unsigned spreads[] = {2, 7, 40, 1000, 1u << 30};
    for (int nRound = 0; nRound < 62; ++nRound) {
        // Short lists, longer ones, and two long enough for deep queues.
        const size_t n = nRound >= 60 ? 1500 : (nRound % 4 == 0) ? nRound / 4 : 2 + rng() % 300;
        const unsigned spread = spreads[nRound % 5];
        std::vector<PictureEntry> v = RandomEntries(rng, n, spread, nRound % 3 != 0);
        for (int nKey = SORT_BY_NAME; nKey <= SORT_BY_DATE; ++nKey) {
            for (int nDirection = 0; nDirection < 2; ++nDirection) {
                // From the random order, and again from the sort's own result
                // in the other direction (the second tap on a column).
                std::vector<PictureEntry> first = v;
                ASSERT_EQ(ReferenceOrder(first, nKey, nDirection != 0), NewOrder(first, nKey, nDirection))
                    << "n " << n << " spread " << spread << " key " << nKey << " direction " << nDirection;
                std::vector<PictureEntry> sorted;
                for (LONG id : ReferenceOrder(v, nKey, nDirection != 0))
                    sorted.push_back(v[id]);
                ASSERT_EQ(ReferenceOrder(sorted, nKey, nDirection == 0), NewOrder(sorted, nKey, !nDirection))
                    << "again, n " << n << " spread " << spread << " key " << nKey;
            }
        }
    }
}
