// The thumbnail cache's readers: its index, and a cached thumbnail read back
// through a sound index.
#include "tests/fuzz/fuzz_targets.h"

#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_index_record.h"
#include "viewer/common/settings_names.h"

namespace {

const FILETIME kWritten = {0x55667788, 0x01D9CCDD};

// Record 0 as the cache writes it with the settings at their defaults, then
// records as it writes them.
FuzzBytes Index(std::initializer_list<ThumbRecordFields> records)
{
    FuzzBytes index(THUMB_RECORD_BYTES);
    EncodeThumbHeader((DEF_AUTO_ROTATE ? THUMB_MADE_UPRIGHT : 0) | (DEF_COLOR_MANAGE ? THUMB_MADE_COLOUR_MANAGED : 0),
                      index.data());
    for (const ThumbRecordFields& fields : records)
    {
        index.resize(index.size() + THUMB_RECORD_BYTES);
        if (fields.slot)
            EncodeThumbRecord(&fields, &index[index.size() - THUMB_RECORD_BYTES]);
    }
    return index;
}

// A record of slot 0 stands for one the cache never wrote: all zeros.
ThumbRecordFields Record(int32_t nSlot, const wchar_t* pszPath, uint32_t nFileSize)
{
    ThumbRecordFields fields = {{}, nSlot, nFileSize, kWritten.dwLowDateTime, kWritten.dwHighDateTime, 2, 6};
    for (int i = 0; pszPath[i] && i < THUMB_PATH_UNITS - 1; ++i)
        fields.path[i] = pszPath[i];
    return fields;
}

} // namespace

std::vector<FuzzBytes> IndexSeeds(void)
{
    const ThumbRecordFields one = Record(1, L"\\My Documents\\Trips\\c.gif", 123456);
    return {
        Index({Record(1, L"\\My Documents\\a.jpg", 1000),
               Record(2, L"\\My Documents\\Photos\\long name of a picture.jpeg", 2000), Record(3, L"\\b.png", 3000),
               Record(4, L"\\My Documents\\a.jpg", 4000)}),
        Index({one}),
        // A hole the cache left before slot 3.
        Index({one, Record(0, L"", 0), Record(3, L"\\x.bmp", 99)}),
    };
}

// Loads the index, looks records up, adds one (written at its slot) and
// closes it again, as start-up, the worker and exit do.
bool RunIndex(FuzzContext* pCtx, const FuzzTarget&, const FuzzBytes& data, int nSeed)
{
    if (!WriteInput(pCtx, pCtx->thumbs + L"\\index.tmb", data))
        return false;
    OpenThumbIndex();
    if (!IsThumbIndexOpen())
        return Wrong(pCtx, "the index did not open");
    const LONG nHighest = GetHighestThumbSlot();
    LONG x = -1, y = -1;
    const LONG nFound = LookupThumb(L"\\b.png", 3000, &kWritten, &x, &y);
    bool bRight = true;
    if (nHighest < 0 || nHighest > THUMB_MAX_SLOT)
        bRight = Wrong(pCtx, "highest slot %ld outside 0..%d", nHighest, THUMB_MAX_SLOT);
    else if (nSeed == 0 && (nFound != 3 || x != 2 || y != 6))
        bRight = Wrong(pCtx, "seed 0 lost its record of slot 3 (found %ld at %ld,%ld)", nFound, x, y);
    else if (nFound != -1 && (nFound < 1 || nFound > THUMB_MAX_SLOT || x < 0 || x >= 64 || y < 0 || y >= 60))
        bRight = Wrong(pCtx, "a lookup handed out slot %ld at %ld,%ld", nFound, x, y);
    else if (nHighest < THUMB_MAX_SLOT)
    {
        ThumbIndexRecord record = {};
        wcscpy_s(record.szPath, L"\\My Documents\\new.jpg");
        record.nSlot = nHighest + 1;
        record.nFileSize = 5;
        record.ftLastWrite = kWritten;
        // Slots far out would grow the file to gigabytes; the cache never
        // writes more than a few thousand.
        AddThumbRecord(&record, record.nSlot < 4096);
    }
    CloseThumbIndex();
    return bRight;
}

bool RunPvx(FuzzContext* pCtx, const FuzzTarget&, const FuzzBytes& data, int nSeed)
{
    if (!WriteInput(pCtx, pCtx->thumbs + L"\\index.tmb", Index({Record(1, L"\\My Documents\\a.jpg", 1000)})) ||
        !WriteInput(pCtx, pCtx->thumbs + L"\\pvx1.pvx", data))
        return false;
    OpenThumbIndex();
    HBITMAP hbm = ReadThumbFile(1);
    CloseThumbIndex();
    const bool bForeign = nSeed == 4;
    if (nSeed >= 0 && !hbm != bForeign)
    {
        if (hbm)
            DeleteObject(hbm);
        return Wrong(pCtx, "seed %d was %s", nSeed, bForeign ? "accepted" : "refused");
    }
    return CheckThumbnail(pCtx, hbm, 24, "the thumbnail file");
}
