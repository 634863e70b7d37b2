// The thumbnail cache in a thumbnail folder of its own, named in the registry
// and in the main window's record: its index (records written byte by byte)
// and files, the pipeline against a stop in mid-work, foreign cache files and
// a record that finds no memory, and camera pictures' thumbnails made upright
// or as stored as the cache says, never a mix across a change of the setting.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdlib.h>
#include <atomic>
#include <string>
#include <vector>
#include <windows.h>
#include "tests/support/fixtures.h"
#include "tests/support/registry_fixture.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_file.h"
#include "viewer/browser/thumb_index_record.h"
#include "viewer/browser/thumb_maker.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/picture_entry.h"
#include "viewer/common/settings_names.h"
#include "viewer/common/shared_paths.h"
#include "viewer/imaging/decode/image_decoder.h"

namespace {

const FILETIME kThumbTime = {0x11223344, 0x01D9AABB};

// One index record as the cache writes it: slot, path, size 1000, kThumbTime
// and the thumbnail at (x, 6); an unterminated path fills all 260 units.
std::string RawRecord(int32_t slot, const std::wstring& path, bool bTerminated = true, int32_t x = 0)
{
    std::string rec(THUMB_RECORD_BYTES, '\0');
    for (int i = 0; i < THUMB_PATH_UNITS; ++i)
    {
        const wchar_t c = bTerminated ? (i < (int)path.size() ? path[i] : 0) : L'A' + i % 26;
        rec[4 + 2 * i] = (char)(c & 0xFF);
        rec[5 + 2 * i] = (char)(c >> 8);
    }
    const uint32_t v[] = {(uint32_t)slot, 1000, kThumbTime.dwLowDateTime, kThumbTime.dwHighDateTime, (uint32_t)x, 6};
    for (int f = 0; f < 6; ++f)
        for (int b = 0; b < 4; ++b)
            rec[524 + 4 * f + b] = (char)(v[f] >> (8 * b));
    return rec;
}

// A 24-bit DIB section of one grey, as the maker makes thumbnails.
HBITMAP Grey(int w, int h) { return MakePicture(w, h, 24, Plain(0x808080)); }

// The thumbnail folder named in the registry and the record; thumbnails as
// stored and unmanaged, the index as earlier versions wrote it.
class ThumbCacheTest : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        const std::wstring folder = thumbs.Path().substr(0, thumbs.Path().size() - 1);
        RawSetText(SZ_THUMBNAIL_FOLDER, folder);
        wcscpy_s(data.szThumbnailFolder, folder.c_str());
        data.pDecoder = &decoder;
        SetMainWindowData(&data);
        SetAutoRotate(0);
        RawSetDword(SZ_COLOR_MANAGE, 0);
    }
    void TearDown() override
    {
        StopThumbWorker();
        SetThumbMakerForTests(nullptr);
        SetThumbRecordAllocatorForTests(nullptr);
        FreePictures();
        CloseThumbIndex();
        SetMainWindowData(NULL);
        SettingsTest::TearDown();
    }
    void SetAutoRotate(DWORD dwValue) { RawSetDword(SZ_AUTO_ROTATE, dwValue); }
    std::wstring Index() const { return thumbs / L"index.tmb"; }
    // An entry for a picture of the pictures folder, with its real size and time.
    PictureEntry Entry(const wchar_t* pszName)
    {
        PictureEntry e = {};
        wcscpy_s(e.szName, pszName);
        e.nType = CImageDecoder::TypeFromExtension(pszName);
        WIN32_FILE_ATTRIBUTE_DATA fa = {};
        GetFileAttributesExW((pictures / pszName).c_str(), GetFileExInfoStandard, &fa);
        e.nFileSize = fa.nFileSizeLow;
        e.ftLastWrite = fa.ftLastWriteTime;
        return e;
    }
    LONG Find(const PictureEntry& e)
    {
        return LookupThumb((pictures / e.szName).c_str(), e.nFileSize, &e.ftLastWrite, NULL, NULL);
    }
    // A path's record as Store writes it (size 1000, kThumbTime).
    void Store(const std::wstring& path)
    {
        HBITMAP hbm = Grey(40, 30);
        StoreThumb(hbm, path.c_str(), 1000, &kThumbTime, 0, 6, -1);
        DeleteObject(hbm);
    }
    LONG Find(const std::wstring& path)
    {
        LONG x = -9, y = -9;
        return LookupThumb(path.c_str(), 1000, &kThumbTime, &x, &y);
    }
    void WriteJpeg(const std::wstring& path, int w, int h)
    {
        HBITMAP hbm = Grey(w, h);
        ASSERT_TRUE(WriteThumbFile(hbm, path.c_str()));
        DeleteObject(hbm);
    }

    TempFolder thumbs, pictures;
    MainWindowData data = {};
    CImageDecoder decoder;
};

// Held inside a decode that only a cancel ends, as a huge picture would hold it.
struct SlowDecode {
    HANDLE hInside = CreateEventW(NULL, TRUE, FALSE, NULL);
    std::atomic<bool> bCancelSeen{false};
    ~SlowDecode() { CloseHandle(hInside); }
} * g_pSlow;

void CancelWaitingMaker(CImageDecoder* pDecoder, PictureEntry*, LPCWSTR) {
    SetEvent(g_pSlow->hInside);
    for (DWORD dwStart = GetTickCount(); pDecoder && GetTickCount() - dwStart < 20000; Sleep(1)) {
        if (pDecoder->IsCancelled()) {
            g_pSlow->bCancelSeen = true;
            return;
        }
    }
}

int g_nAllocs;
void* FailSecondRecord(size_t cb) { return ++g_nAllocs == 2 ? NULL : calloc(1, cb); }

} // namespace

// Slot k at 548 x k, record 0 skipped; unsound records are dropped but keep their
// slot; a partial tail is dropped; a new record takes the slot above the highest.
TEST_F(ThumbCacheTest, LoadingKeepsWholeSoundRecordsAndNeverReusesAPosition) {
    const std::string zero(548, '\0');
    const struct {
        const char* what;
        std::string file;
        LONG nHighest;
        std::vector<std::wstring> found;
    } cases[] = {
        {"slots 1, 2, 5 with zeros between",
         zero + RawRecord(1, L"a") + RawRecord(2, L"b") + zero + zero + RawRecord(5, L"e"), 5, {L"a", L"b", L"e"}},
        {"partial tail", zero + RawRecord(1, L"a") + RawRecord(2, L"b") + RawRecord(3, L"c").substr(0, 300), 2,
         {L"a", L"b"}},
        {"bogus slots, an unterminated path, an offset outside the box",
         zero + RawRecord(-7, L"n") + RawRecord(0x7FFFFFFF, L"h") + RawRecord(4, L"", false) +
             RawRecord(4, L"o", true, 9999) + RawRecord(4, L"d"),
         5, {L"d"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteWholeFile(Index(), c.file);
        OpenThumbIndex();
        EXPECT_EQ(c.nHighest, GetHighestThumbSlot());
        for (const std::wstring& path : c.found)
            EXPECT_NE(-1, Find(path)) << path.c_str();
        for (const wchar_t* pszBogus : {L"n", L"h", L"o"})
            EXPECT_EQ(-1, Find(pszBogus));
        Store(L"new");
        EXPECT_EQ(c.nHighest + 1, Find(L"new"));
        CloseThumbIndex();
        const std::string after = ReadWholeFile(Index());
        ASSERT_EQ(548u * (c.nHighest + 2), after.size());
        EXPECT_EQ(RawRecord(c.nHighest + 1, L"new"), after.substr(548 * (c.nHighest + 1)));
    }
}

// Clearing deletes index.tmb's records and pvx<N>.pvx, never a file that only looks like them.
TEST_F(ThumbCacheTest, ClearingDeletesOnlyTheCachesOwnFiles) {
    OpenThumbIndex();
    Store(L"a");
    Store(L"b");
    CloseThumbIndex();
    const wchar_t* keep[] = {L"notes.txt", L"pvx.pvx", L"pvx1a.pvx", L"pvx1.jpg", L"pvx01.pvx", L"pvx-1.pvx",
                             L"xpvx1.pvx", L"pvx99999999999.pvx"};
    for (const wchar_t* name : keep)
        thumbs.Write(name, std::string("user data"));
    CreateDirectoryW((thumbs / L"pvx3.pvx").c_str(), NULL);
    ClearThumbCache(); // closed: only the memory is emptied
    EXPECT_EQ(0, GetHighestThumbSlot());
    EXPECT_EQ(1644u, ReadWholeFile(Index()).size());
    EXPECT_TRUE(FileExists(thumbs / L"pvx1.pvx"));
    OpenThumbIndex();
    ClearThumbCache();
    EXPECT_TRUE(IsThumbIndexOpen());
    EXPECT_EQ(0, GetHighestThumbSlot());
    EXPECT_EQ(-1, Find(L"a"));
    EXPECT_EQ(0u, ReadWholeFile(Index()).size());
    EXPECT_FALSE(FileExists(thumbs / L"pvx1.pvx"));
    EXPECT_FALSE(FileExists(thumbs / L"pvx2.pvx"));
    for (const wchar_t* name : keep)
        EXPECT_EQ("user data", ReadWholeFile(thumbs / name)) << name;
    EXPECT_TRUE(FileExists(thumbs / L"pvx3.pvx"));
    Store(L"a");
    EXPECT_EQ(1, Find(L"a"));
}

TEST_F(ThumbCacheTest, WithoutItsFolderTheCacheIsOffAndMakesNoFolder) {
    const std::wstring missing = thumbs / L"missing";
    RawSetText(SZ_THUMBNAIL_FOLDER, missing);
    OpenThumbIndex();
    EXPECT_FALSE(IsThumbIndexOpen());
    Store(L"a");
    EXPECT_EQ(-1, Find(L"a"));
    EXPECT_EQ(nullptr, ReadThumbFile(1));
    EXPECT_FALSE(FileExists(missing));
}

// A stop cancels the decode in hand and the worker ends by itself; the
// decoder is usable again, and the entry cut short is left for the next worker.
TEST_F(ThumbCacheTest, StopCancelsTheDecodeInHand)
{
    SlowDecode slow;
    g_pSlow = &slow;
    SetThumbMakerForTests(CancelWaitingMaker);
    pictures.Write(L"huge.png", std::string(64, '\0'));
    wcscpy_s(g_szPicturePath, MAX_PATH, pictures.Path(L"*.*").c_str());
    ASSERT_EQ(1, EnumeratePictures(g_szPicturePath));
    StartThumbWorker(NULL);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(slow.hInside, 10000)) << "the worker never came";
    StopThumbWorker();
    EXPECT_TRUE(slow.bCancelSeen) << "the stop waited out the decode and ended the thread by force";
    EXPECT_EQ(0u, decoder.IsCancelled()) << "the cache reads and slideshow loads share the decoder";
    EXPECT_EQ(1, CountUnprocessed());
}

// Only a resample that ran to its end is kept and cached, whatever happens
// to the shared abort flag meanwhile.
TEST_F(ThumbCacheTest, AThumbnailCutShortIsNeitherKeptNorCached)
{
    WriteJpeg(pictures / L"big.jpg", 640, 480);
    OpenThumbIndex();
    for (int32_t nStop : {1, 0})
    {
        SCOPED_TRACE(nStop);
        PictureEntry e = Entry(L"big.jpg");
        volatile int32_t stop = nStop;
        MakeStoppableThumbnail(&decoder, &e, pictures.Path().c_str(), &stop);
        EXPECT_EQ(nStop == 0, e.hbmThumb != NULL);
        EXPECT_EQ(nStop ? -1 : 1, Find(e));
        EXPECT_EQ(nStop ? 1 : 2, CountFiles(thumbs.Path()));
        if (e.hbmThumb)
            DeleteObject(e.hbmThumb);
    }
}

// A thumbnail file is read only when it is a colour JPEG that fits the box,
// and a record's thumbnail only at offsets that keep it in the box;
// anything else is made again from the picture.
TEST_F(ThumbCacheTest, OnlyWhatTheCacheWritesIsRead)
{
    OpenThumbIndex();
    HBITMAP hbm = Grey(40, 30);
    StoreThumb(hbm, L"p", 1000, &kThumbTime, 12, 15, -1);
    DeleteObject(hbm);
    const std::wstring file = thumbs / L"pvx1.pvx";
    const struct
    {
        const char* what;
        int w, h;
        bool bRead;
    } cases[] = {{"large", 640, 480, false}, {"too high", 64, 61, false}, {"too wide", 65, 60, false},
                 {"the box", 64, 60, true}};
    for (const auto& c : cases)
    {
        WriteJpeg(file, c.w, c.h);
        HBITMAP hbmRead = ReadThumbFile(1);
        EXPECT_EQ(c.bRead, hbmRead != NULL) << c.what;
        if (hbmRead)
            DeleteObject(hbmRead);
    }

    // A 64 x 48 thumbnail recorded at x 30 would cover the next cell.
    WriteJpeg(pictures / L"big.jpg", 640, 480);
    PictureEntry e = Entry(L"big.jpg");
    hbm = Grey(64, 48);
    StoreThumb(hbm, (pictures / L"big.jpg").c_str(), e.nFileSize, &e.ftLastWrite, 30, 6, -1);
    DeleteObject(hbm);
    ASSERT_EQ(2, Find(e));
    MakeThumbnail(&decoder, &e, pictures.Path().c_str());
    ASSERT_TRUE(e.hbmThumb);
    DeleteObject(e.hbmThumb);
    EXPECT_EQ(0, e.xThumb);
    EXPECT_EQ(3, Find(e)) << "a new record with the right place";
}

TEST_F(ThumbCacheTest, LoadingPassesOverARecordThatFindsNoMemory)
{
    WriteWholeFile(thumbs / L"index.tmb",
                   std::string(548, '\0') + RawRecord(1, L"a") + RawRecord(2, L"b") + RawRecord(3, L"c"));
    g_nAllocs = 0;
    SetThumbRecordAllocatorForTests(FailSecondRecord);
    OpenThumbIndex();
    SetThumbRecordAllocatorForTests(nullptr);
    EXPECT_EQ(1, LookupThumb(L"a", 1000, &kThumbTime, NULL, NULL));
    EXPECT_EQ(-1, LookupThumb(L"b", 1000, &kThumbTime, NULL, NULL));
    EXPECT_EQ(3, LookupThumb(L"c", 1000, &kThumbTime, NULL, NULL));
    EXPECT_EQ(3, GetHighestThumbSlot()) << "the record passed over keeps its position";
}

namespace {

// cam6.jpg: a 320 x 240 scene stored on its side.
class ThumbUprightTest : public ThumbCacheTest
{
protected:
    void SetUp() override
    {
        ThumbCacheTest::SetUp();
        SetAutoRotate(1);
        pictures.Write(L"cam6.jpg", ReadFixture(L"cam6.jpg"));
    }
    // A fresh entry's thumbnail (the caller deletes it).
    PictureEntry Make()
    {
        PictureEntry e = Entry(L"cam6.jpg");
        MakeThumbnail(&decoder, &e, pictures.Path().c_str());
        return e;
    }
    // The thumbnail's width once made, which tells upright (64) from as stored (45).
    LONG MadeWidth()
    {
        PictureEntry e = Make();
        const LONG cx = BitmapSize(e.hbmThumb).first;
        DeleteObject(e.hbmThumb);
        return cx;
    }
    bool Cached() { return Find(Entry(L"cam6.jpg")) != -1; }
    std::string Header() { return ReadWholeFile(thumbs / L"index.tmb").substr(0, THUMB_RECORD_BYTES); }
    bool HeaderSaysUpright()
    {
        const std::string h = Header();
        return h.size() == THUMB_RECORD_BYTES &&
               DecodeThumbHeader(reinterpret_cast<const uint8_t*>(h.data())) == THUMB_MADE_UPRIGHT;
    }
};

// The scene upright and placed in the 64 x 60 box: red, green over blue, white.
void ExpectScene(const PictureEntry& e)
{
    ASSERT_EQ(Dims(64, 48), BitmapSize(e.hbmThumb));
    EXPECT_EQ(0, e.xThumb);
    EXPECT_EQ(6, e.yThumb);
    EXPECT_EQ("", QuartersOff(e.hbmThumb, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, 48));
}

} // namespace

// Made upright and read back so from the cache. A change of the setting, in
// the program or in the registry between runs, empties the cache before a
// thumbnail is made the other way; an index of earlier versions (zeros in
// record 0) stands for thumbnails as stored.
TEST_F(ThumbUprightTest, UprightThumbnailsAreCachedAndAChangeOfTheSettingRebuildsTheCache)
{
    OpenThumbIndex();
    ASSERT_TRUE(AreThumbsUpright());
    for (const char* pszWhen : {"made", "read back from the cache"})
    {
        SCOPED_TRACE(pszWhen);
        const PictureEntry e = Make();
        ExpectScene(e);
        DeleteObject(e.hbmThumb);
        EXPECT_TRUE(Cached());
    }
    EXPECT_TRUE(HeaderSaysUpright());

    SetThumbsUpright(FALSE);
    EXPECT_FALSE(AreThumbsUpright());
    EXPECT_FALSE(Cached());
    EXPECT_FALSE(FileExists(thumbs / L"pvx1.pvx"));
    PictureEntry e = Make();
    EXPECT_EQ(Dims(45, 60), BitmapSize(e.hbmThumb)) << "as stored: portrait";
    DeleteObject(e.hbmThumb);
    EXPECT_TRUE(Cached());
    CloseThumbIndex();
    EXPECT_EQ(std::string(THUMB_RECORD_BYTES, '\0'), Header()) << "as earlier versions write it";

    // Any value but 0 means upright: the next start clears the cache.
    SetAutoRotate(7);
    OpenThumbIndex();
    EXPECT_TRUE(AreThumbsUpright());
    EXPECT_FALSE(Cached());
    EXPECT_EQ(64, MadeWidth());
    EXPECT_EQ(1, GetHighestThumbSlot());
    CloseThumbIndex();
    EXPECT_TRUE(HeaderSaysUpright());

    // Off again between runs: the upright thumbnails go.
    SetAutoRotate(0);
    OpenThumbIndex();
    EXPECT_FALSE(Cached());
    EXPECT_FALSE(FileExists(thumbs / L"pvx1.pvx"));
    EXPECT_EQ(45, MadeWidth());
    CloseThumbIndex();

    // The same setting keeps what was cached.
    OpenThumbIndex();
    EXPECT_TRUE(Cached());
    SetThumbsUpright(FALSE);
    EXPECT_TRUE(Cached());
}

// Record 0's tag is read only when it is whole, and record 0 is never taken
// for a thumbnail's record.
TEST(ThumbIndexHeader, ADamagedTagMeansAsStoredAndTheTagIsNoThumbnail)
{
    uint8_t rgb[THUMB_RECORD_BYTES];
    EncodeThumbHeader(THUMB_MADE_UPRIGHT, rgb);
    ThumbRecordFields fields;
    EXPECT_FALSE(DecodeThumbRecord(rgb, &fields));
    rgb[THUMB_OFS_PATH] ^= 1;
    EXPECT_EQ(static_cast<uint32_t>(THUMB_MADE_AS_STORED), DecodeThumbHeader(rgb));
}

// A ProPhoto picture's thumbnail in sRGB, cached so; a cache of thumbnails
// made before colours were managed (record 0 without the flag, as earlier
// versions wrote it) or with the setting off is cleared, never mixed in.
TEST_F(ThumbCacheTest, ManagedAndUnmanagedThumbnailsAreNeverMixed)
{
    const uint32_t kSrgb[4] = {0xC83C28, 0x3CA050, 0x3246BE, 0xE6E6E6};
    pictures.Write(L"pro.jpg", ReadFixture(L"prophoto_large.jpg"));
    auto made = [&](bool bManaged) {
        PictureEntry e = Entry(L"pro.jpg");
        MakeThumbnail(&decoder, &e, pictures.Path().c_str());
        EXPECT_EQ(bManaged, QuartersOff(e.hbmThumb, kSrgb, 8) == "") << QuartersOff(e.hbmThumb, kSrgb, 8);
        DeleteObject(e.hbmThumb);
        EXPECT_NE(-1, Find(Entry(L"pro.jpg")));
    };
    OpenThumbIndex();
    made(false);
    for (const DWORD dwManage : {1u, 0u})
    {
        CloseThumbIndex();
        RawSetDword(SZ_COLOR_MANAGE, dwManage);
        OpenThumbIndex();
        EXPECT_EQ(-1, Find(Entry(L"pro.jpg")));
        made(dwManage != 0);
        made(dwManage != 0);   // read back from the cache
    }
    SetThumbsColourManaged(TRUE);
    EXPECT_EQ(-1, Find(Entry(L"pro.jpg")));
    EXPECT_FALSE(FileExists(thumbs / L"pvx1.pvx"));
}
