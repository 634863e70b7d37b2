// The thumbnail cache on real files in a temporary thumbnail folder named by
// the real registry, and thumbnails made from real pictures.
#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>
#include <windows.h>

#include "../extras/temp_folder.h"
#include "../shell/registry_fixture.h"
#include "../shell/window_test_support.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_file.h"
#include "viewer/browser/thumb_maker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings_names.h"
#include "viewer/imaging/image_decoder.h"

namespace {

const FILETIME kTime = {0x11223344, 0x01D9AABB};

// A 24-bit bottom-up DIB section: top half red, bottom half blue.
HBITMAP MakeTwoBands(int w, int h)
{
    BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB}};
    void* pvBits = NULL;
    HBITMAP hbm = CreateDIBSection(NULL, &bi, DIB_RGB_COLORS, &pvBits, NULL, 0);
    const int stride = (w * 3 + 3) & ~3;
    for (int row = 0; row < h; ++row) // memory row 0 is the bottom
        for (int x = 0; x < w; ++x)
        {
            BYTE* p = static_cast<BYTE*>(pvBits) + row * stride + x * 3;
            p[0] = row >= h / 2 ? 0 : 255;
            p[1] = 0;
            p[2] = row >= h / 2 ? 255 : 0;
        }
    return hbm;
}

// Width, height and the red and blue of display pixel (32, y) of a 24-bit
// bottom-up section.
std::vector<int> Probe(HBITMAP hbm, int y)
{
    BITMAP bm = {};
    GetObjectW(hbm, sizeof(bm), &bm);
    const BYTE* p = static_cast<const BYTE*>(bm.bmBits) + (bm.bmHeight - 1 - y) * bm.bmWidthBytes + 32 * 3;
    return {bm.bmWidth, bm.bmHeight, p[2], p[0]};
}

// One index record as bytes; an unterminated path fills all 260 units.
std::string RawRecord(int32_t slot, const std::wstring& path, bool bTerminated = true, int32_t x = 0)
{
    std::string rec(THUMB_RECORD_BYTES, '\0');
    for (int i = 0; i < THUMB_PATH_UNITS; ++i)
    {
        const wchar_t c = bTerminated ? (i < (int)path.size() ? path[i] : 0) : L'A' + i % 26;
        rec[4 + 2 * i] = (char)(c & 0xFF);
        rec[5 + 2 * i] = (char)(c >> 8);
    }
    const uint32_t v[] = {(uint32_t)slot, 1000, kTime.dwLowDateTime, kTime.dwHighDateTime, (uint32_t)x, 6};
    for (int f = 0; f < 6; ++f)
        for (int b = 0; b < 4; ++b)
            rec[524 + 4 * f + b] = (char)(v[f] >> (8 * b));
    return rec;
}

class ThumbCacheTest : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        std::wstring folder = thumbs.Path().substr(0, thumbs.Path().size() - 1);
        RawSetValue(SZ_THUMBNAIL_FOLDER, REG_SZ, folder.c_str(), (DWORD)(folder.size() + 1) * 2);
        wcscpy_s(data.szThumbnailFolder, folder.c_str());
        data.pDecoder = &decoder;
        SetMainWindowData(&data);
    }
    void TearDown() override
    {
        CloseThumbIndex();
        SetMainWindowData(NULL);
        SettingsTest::TearDown();
    }
    std::wstring Index() const { return thumbs / L"index.tmb"; }
    void Store(const std::wstring& path, const FILETIME& ft = kTime)
    {
        HBITMAP hbm = MakeTwoBands(40, 30);
        StoreThumb(hbm, path.c_str(), 1000, &ft, 0, 6, -1);
        DeleteObject(hbm);
    }
    LONG Find(const std::wstring& path, const FILETIME& ft = kTime, DWORD cb = 1000)
    {
        LONG x = -9, y = -9;
        return LookupThumb(path.c_str(), cb, &ft, &x, &y);
    }

    TempFolder thumbs, pictures;
    MainWindowData data = {};
    CImageDecoder decoder;
};

} // namespace

// Slot k at 548 x k, record 0 skipped; unsound records are dropped but keep
// their slot; a partial tail is dropped; a new record takes the slot above
// the highest.
TEST_F(ThumbCacheTest, LoadingKeepsWholeSoundRecordsAndNeverReusesAPosition)
{
    const std::string zero(548, '\0');
    const struct
    {
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
        {"only record 0", zero, 0, {}},
    };
    for (const auto& c : cases)
    {
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

// Found after reopening only by its exact path, size and time; a touched
// picture takes a new slot, and the old record is never consulted again.
TEST_F(ThumbCacheTest, ARecordIsItsExactPathSizeAndTimeAndSurvivesReopening)
{
    OpenThumbIndex();
    ASSERT_TRUE(IsThumbIndexOpen());
    Store(L"\\A\\p.jpg");
    CloseThumbIndex();
    OpenThumbIndex();
    LONG x = -1, y = -1;
    EXPECT_EQ(1, LookupThumb(L"\\A\\p.jpg", 1000, &kTime, &x, &y));
    EXPECT_EQ(0, x);
    EXPECT_EQ(6, y);
    HBITMAP hbm = ReadThumbFile(1);
    ASSERT_TRUE(hbm);
    EXPECT_EQ(40, Probe(hbm, 0)[0]);
    DeleteObject(hbm);
    EXPECT_EQ(-1, Find(L"\\A\\P.jpg"));
    EXPECT_EQ(-1, Find(L"\\A\\p.jpg", kTime, 1001));
    const FILETIME touched = {kTime.dwLowDateTime, kTime.dwHighDateTime + 1};
    EXPECT_EQ(-1, Find(L"\\A\\p.jpg", touched));
    Store(L"\\A\\p.jpg", touched);
    CloseThumbIndex();
    OpenThumbIndex();
    EXPECT_EQ(2, Find(L"\\A\\p.jpg", touched));
    EXPECT_EQ(-1, Find(L"\\A\\p.jpg"));
}

// Clearing deletes index.tmb's records and the pvx<N>.pvx files, never a
// user's file that only looks like them.
TEST_F(ThumbCacheTest, ClearingDeletesOnlyTheCachesOwnFiles)
{
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

TEST_F(ThumbCacheTest, WithoutAnIndexTheCacheIsOffAndWriteFailuresLeaveNoFile)
{
    const std::wstring missing = thumbs / L"missing";
    RawSetValue(SZ_THUMBNAIL_FOLDER, REG_SZ, missing.c_str(), (DWORD)(missing.size() + 1) * 2);
    OpenThumbIndex();
    EXPECT_FALSE(IsThumbIndexOpen());
    Store(L"a");
    EXPECT_EQ(-1, Find(L"a"));
    EXPECT_EQ(nullptr, ReadThumbFile(1));
    EXPECT_FALSE(FileExists(missing));

    // A device that is always full opens, and the encoder's write fails:
    // the writer reports it instead of ending the process.
    HBITMAP hbm = MakeTwoBands(64, 60);
    FILE* pFull = _wfopen(L"Z:\\dev\\full", L"wb");
    ASSERT_TRUE(pFull);
    fclose(pFull);
    EXPECT_FALSE(WriteThumbFile(hbm, L"Z:\\dev\\full"));
    EXPECT_FALSE(WriteThumbFile(NULL, (thumbs / L"null.pvx").c_str()));
    HDC hdc = GetDC(NULL);
    HBITMAP hbmDdb = CreateCompatibleBitmap(hdc, 8, 8); // no 24-bit rows to read
    ReleaseDC(NULL, hdc);
    EXPECT_FALSE(WriteThumbFile(hbmDdb, (thumbs / L"ddb.pvx").c_str()));
    EXPECT_EQ(0u, ReadWholeFile(thumbs / L"ddb.pvx").size());
    DeleteObject(hbmDdb);
    EXPECT_TRUE(WriteThumbFile(hbm, (thumbs / L"ok.pvx").c_str()));
    DeleteObject(hbm);
}

TEST(FitRect, PlacesInTheBox)
{
    const struct
    {
        int32_t cx, cy;
        std::vector<int> fit; // resample, x, y, width, height
    } cases[] = {{200, 300, {1, 12, 0, 40, 60}}, {64, 60, {0, 0, 0, 64, 60}}, {65, 60, {1, 0, 0, 64, 59}},
                 {20000, 3, {1, 0, 29, 64, 1}}};
    for (const auto& c : cases)
    {
        ViewBox fit = {};
        const int bResample = FitRect(c.cx, c.cy, &fit);
        EXPECT_EQ(c.fit, std::vector<int>({bResample, fit.x, fit.y, fit.width, fit.height})) << c.cx << "x" << c.cy;
    }
}

// Large pictures are cached, small ones kept as they are, bad ones give
// nothing; a lost thumbnail file is rewritten to its slot, and a cached one
// is read back with its rows and colours in order.
TEST_F(ThumbCacheTest, MakeThumbnailCachesLargePicturesOnlyAndReadsThemBack)
{
    HBITMAP hbmPicture = MakeTwoBands(640, 480);
    ASSERT_TRUE(WriteThumbFile(hbmPicture, (pictures / L"big.jpg").c_str()));
    DeleteObject(hbmPicture);
    WriteSolidBmp(pictures / L"small.bmp", 40, 30, RGB(0, 200, 0));
    pictures.Write(L"bad.jpg", std::string("not a picture at all"));
    OpenThumbIndex();
    const struct
    {
        const wchar_t* name;
        PictureType type;
        SIZE size;
        POINT at;
        std::wstring deleteFirst;
    } cases[] = {
        {L"big.jpg", PICTYPE_JPG, {64, 48}, {0, 6}},
        {L"small.bmp", PICTYPE_BMP, {40, 30}, {12, 15}},
        {L"bad.jpg", PICTYPE_JPG, {0, 0}, {-1, -1}},
        {L"big.jpg", PICTYPE_JPG, {64, 48}, {0, 6}, thumbs / L"pvx1.pvx"}, // rewritten to slot 1
        {L"big.jpg", PICTYPE_JPG, {64, 48}, {0, 6}, pictures / L"big.jpg"}, // from the cache alone
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        PictureEntry e = {};
        wcscpy_s(e.szName, c.name);
        e.nType = c.type;
        WIN32_FILE_ATTRIBUTE_DATA fa = {};
        GetFileAttributesExW((pictures / c.name).c_str(), GetFileExInfoStandard, &fa);
        e.nFileSize = fa.nFileSizeLow;
        e.ftLastWrite = fa.ftLastWriteTime;
        ASSERT_TRUE(c.deleteFirst.empty() || DeleteFileW(c.deleteFirst.c_str()));
        e.xThumb = e.yThumb = -1;
        MakeThumbnail(&decoder, &e, pictures.Path().c_str());
        const std::vector<int> top = e.hbmThumb ? Probe(e.hbmThumb, 5) : std::vector<int>{0, 0, 0, 0};
        EXPECT_EQ(c.size.cx, top[0]);
        EXPECT_EQ(c.size.cy, top[1]);
        if (c.deleteFirst == pictures / L"big.jpg") // red above, blue below
        {
            EXPECT_GT(top[2], 0xE0);
            EXPECT_GT(Probe(e.hbmThumb, 42)[3], 0xE0);
        }
        EXPECT_EQ(c.at.x, e.xThumb);
        EXPECT_EQ(c.at.y, e.yThumb);
        EXPECT_EQ(0, e.bProcessed);
        EXPECT_EQ(1, GetHighestThumbSlot()) << "one record and one file all along";
        EXPECT_EQ(2, CountFiles(thumbs.Path()));
        if (e.hbmThumb)
            DeleteObject(e.hbmThumb);
    }

    PictureEntry e = {};
    wcscpy_s(e.szName, std::wstring(250, L'n').c_str());
    e.nType = PICTYPE_BMP;
    MakeThumbnail(&decoder, &e, pictures.Path().c_str());
    EXPECT_EQ(nullptr, e.hbmThumb) << "a path too long is no thumbnail, not another file";
}
