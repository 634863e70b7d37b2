// The thumbnail cache on real files in a temporary thumbnail folder named by
// the real registry, and thumbnails made from real pictures.
#include <gtest/gtest.h>

#include <stdint.h>

#include <random>
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
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB};
    void* pvBits = NULL;
    HBITMAP hbm = CreateDIBSection(NULL, &bi, DIB_RGB_COLORS, &pvBits, NULL, 0);
    const int stride = (w * 3 + 3) & ~3;
    for (int row = 0; row < h; ++row) // memory row 0 is the bottom
        for (int x = 0; x < w; ++x)
        {
            BYTE* p = static_cast<BYTE*>(pvBits) + row * stride + x * 3;
            const bool bTop = row >= h / 2;
            p[0] = bTop ? 0 : 255; // blue, green, red
            p[1] = 0;
            p[2] = bTop ? 255 : 0;
        }
    return hbm;
}

SIZE SizeOf(HBITMAP hbm)
{
    BITMAP bm = {};
    GetObjectW(hbm, sizeof(bm), &bm);
    return SIZE{bm.bmWidth, bm.bmHeight};
}

// 0x00RRGGBB of display pixel (x, y) of a 24-bit bottom-up section.
uint32_t PixelAt(HBITMAP hbm, int x, int y)
{
    BITMAP bm = {};
    GetObjectW(hbm, sizeof(bm), &bm);
    const BYTE* p = static_cast<const BYTE*>(bm.bmBits) + (bm.bmHeight - 1 - y) * bm.bmWidthBytes + x * 3;
    return p[2] << 16 | p[1] << 8 | p[0];
}

void WriteBytes(const std::wstring& path, const std::string& data)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(f);
    fwrite(data.data(), 1, data.size(), f);
    fclose(f);
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
    // Made from the folder listing, as the file list makes it.
    PictureEntry Entry(const std::wstring& name, PictureType type)
    {
        PictureEntry e = {};
        wcscpy_s(e.szName, name.c_str());
        e.nType = type;
        WIN32_FILE_ATTRIBUTE_DATA fa = {};
        GetFileAttributesExW((pictures / name).c_str(), GetFileExInfoStandard, &fa);
        e.nFileSize = fa.nFileSizeLow;
        e.ftLastWrite = fa.ftLastWriteTime;
        return e;
    }

    TempFolder thumbs, pictures;
    MainWindowData data = {};
    CImageDecoder decoder;
};

} // namespace

TEST_F(ThumbCacheTest, LoadingKeepsWholeSoundRecordsAndNeverReusesAPosition)
{
    const std::string zero(548, '\0');
    struct Case
    {
        const char* what;
        std::string file;
        LONG nHighest;
        std::vector<std::wstring> found;
    } cases[] = {
        {"records 1 to 3", zero + RawRecord(1, L"a") + RawRecord(2, L"b") + RawRecord(3, L"c"), 3, {L"a", L"b", L"c"}},
        {"slots 1, 2, 5 with zeros between", zero + RawRecord(1, L"a") + RawRecord(2, L"b") + zero + zero +
                                                 RawRecord(5, L"e"), 5, {L"a", L"b", L"e"}},
        {"partial tail", zero + RawRecord(1, L"a") + RawRecord(2, L"b") + RawRecord(3, L"c").substr(0, 300), 2,
         {L"a", L"b"}},
        {"bogus slots, an unterminated path, an offset outside the box",
         zero + RawRecord(-7, L"n") + RawRecord(0x7FFFFFFF, L"h") + RawRecord(4, L"", false) +
             RawRecord(4, L"o", true, 9999) + RawRecord(4, L"d"),
         5, {L"d"}},
        {"only record 0", zero, 0, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        WriteBytes(Index(), c.file);
        OpenThumbIndex();
        EXPECT_EQ(c.nHighest, GetHighestThumbSlot());
        for (const std::wstring& path : c.found)
            EXPECT_NE(-1, Find(path)) << path.c_str();
        EXPECT_EQ(-1, Find(L"n"));
        EXPECT_EQ(-1, Find(L"h"));
        EXPECT_EQ(-1, Find(L"o"));
        Store(L"new");
        EXPECT_EQ(c.nHighest + 1, Find(L"new"));
        CloseThumbIndex();
        const std::string after = ReadWholeFile(Index());
        ASSERT_EQ(548u * (c.nHighest + 2), after.size());
        EXPECT_EQ(RawRecord(c.nHighest + 1, L"new"), after.substr(548 * (c.nHighest + 1)));
    }
}

TEST_F(ThumbCacheTest, RandomBytesLoadWithoutHarm)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 20; ++round)
    {
        std::string junk(548 * (1 + round % 7) + rng() % 548, '\0');
        for (char& ch : junk)
            ch = (char)rng();
        WriteBytes(Index(), junk);
        OpenThumbIndex();
        EXPECT_LE(GetHighestThumbSlot(), (LONG)(junk.size() / 548));
        Store(L"x");
        EXPECT_EQ(GetHighestThumbSlot(), Find(L"x"));
        CloseThumbIndex();
    }
}

// A new index: slot 1 at its own offset, found after reopening only by its
// exact path, size and time; a touched picture takes a new slot.
TEST_F(ThumbCacheTest, ARecordIsItsExactPathSizeAndTimeAndSurvivesReopening)
{
    OpenThumbIndex();
    ASSERT_TRUE(IsThumbIndexOpen());
    EXPECT_EQ(0, GetHighestThumbSlot());
    Store(L"\\A\\p.jpg");
    CloseThumbIndex(); // the record reaches the file when it is closed
    const std::string index = ReadWholeFile(Index());
    ASSERT_EQ(1096u, index.size());
    EXPECT_EQ(std::string(548, '\0'), index.substr(0, 548));
    EXPECT_EQ(RawRecord(1, L"\\A\\p.jpg"), index.substr(548));

    OpenThumbIndex();
    LONG x = -1, y = -1;
    EXPECT_EQ(1, LookupThumb(L"\\A\\p.jpg", 1000, &kTime, &x, &y));
    EXPECT_EQ(0, x);
    EXPECT_EQ(6, y);
    HBITMAP hbm = ReadThumbFile(1);
    ASSERT_TRUE(hbm);
    EXPECT_EQ(40, SizeOf(hbm).cx);
    DeleteObject(hbm);
    EXPECT_EQ(-1, Find(L"\\B\\p.jpg"));
    EXPECT_EQ(-1, Find(L"\\A\\P.jpg"));
    EXPECT_EQ(-1, Find(L"\\A\\p.jpg", kTime, 1001));

    const FILETIME touched = {kTime.dwLowDateTime, kTime.dwHighDateTime + 1};
    EXPECT_EQ(-1, Find(L"\\A\\p.jpg", touched));
    Store(L"\\A\\p.jpg", touched);
    EXPECT_EQ(2, Find(L"\\A\\p.jpg", touched));
    CloseThumbIndex();
    OpenThumbIndex();
    EXPECT_EQ(2, Find(L"\\A\\p.jpg", touched));
    EXPECT_EQ(-1, Find(L"\\A\\p.jpg")) << "the old record is never consulted again";
}

TEST_F(ThumbCacheTest, ClearingDeletesOnlyTheCachesOwnFiles)
{
    OpenThumbIndex();
    Store(L"a");
    Store(L"b");
    CloseThumbIndex();
    const wchar_t* keep[] = {L"notes.txt", L"pvx.pvx", L"pvx1a.pvx", L"pvx1.jpg", L"pvx01.pvx", L"pvx-1.pvx",
                             L"xpvx1.pvx", L"pvx99999999999.pvx"};
    for (const wchar_t* name : keep)
        WriteBytes(thumbs / name, "user data");
    CreateDirectoryW((thumbs / L"pvx3.pvx").c_str(), NULL);

    // Closed: only the memory is emptied.
    ClearThumbCache();
    EXPECT_FALSE(IsThumbIndexOpen());
    EXPECT_EQ(0, GetHighestThumbSlot());
    EXPECT_EQ(1644u, ReadWholeFile(Index()).size());
    EXPECT_TRUE(FileExists(thumbs / L"pvx1.pvx"));

    OpenThumbIndex();
    EXPECT_EQ(2, GetHighestThumbSlot());
    ClearThumbCache();
    EXPECT_TRUE(IsThumbIndexOpen());
    EXPECT_EQ(0, GetHighestThumbSlot());
    EXPECT_EQ(-1, Find(L"a"));
    EXPECT_TRUE(FileExists(Index()));
    EXPECT_EQ(0u, ReadWholeFile(Index()).size());
    EXPECT_FALSE(FileExists(thumbs / L"pvx1.pvx"));
    EXPECT_FALSE(FileExists(thumbs / L"pvx2.pvx"));
    for (const wchar_t* name : keep)
        EXPECT_EQ("user data", ReadWholeFile(thumbs / name)) << name;
    EXPECT_TRUE(FileExists(thumbs / L"pvx3.pvx"));
    Store(L"a");
    EXPECT_EQ(1, Find(L"a"));
}

TEST_F(ThumbCacheTest, AFolderThatCannotHoldTheIndexLeavesTheCacheOff)
{
    const std::wstring missing = thumbs / L"missing";
    RawSetValue(SZ_THUMBNAIL_FOLDER, REG_SZ, missing.c_str(), (DWORD)(missing.size() + 1) * 2);
    OpenThumbIndex();
    EXPECT_FALSE(IsThumbIndexOpen());
    Store(L"a");
    EXPECT_EQ(-1, Find(L"a"));
    EXPECT_EQ(nullptr, ReadThumbFile(1));
    EXPECT_FALSE(FileExists(missing));
}

TEST_F(ThumbCacheTest, WriteFailuresReturnZeroAndLeaveNoPartialFile)
{
    HBITMAP hbm = MakeTwoBands(64, 60);
    // A device that is always full: it opens, and the encoder's write fails.
    FILE* pFull = _wfopen(L"Z:\\dev\\full", L"wb");
    ASSERT_TRUE(pFull);
    fclose(pFull);
    EXPECT_FALSE(WriteThumbFile(hbm, L"Z:\\dev\\full")); // and the device is not deleted
    EXPECT_FALSE(WriteThumbFile(hbm, (thumbs / L"no\\such\\folder.pvx").c_str()));
    EXPECT_FALSE(WriteThumbFile(NULL, (thumbs / L"null.pvx").c_str()));
    // A display-depth bitmap has no 24-bit rows to read: refused, file empty.
    HDC hdc = GetDC(NULL);
    HBITMAP hbmDdb = CreateCompatibleBitmap(hdc, 8, 8);
    ReleaseDC(NULL, hdc);
    EXPECT_FALSE(WriteThumbFile(hbmDdb, (thumbs / L"ddb.pvx").c_str()));
    EXPECT_EQ(0u, ReadWholeFile(thumbs / L"ddb.pvx").size());
    DeleteObject(hbmDdb);
    EXPECT_TRUE(WriteThumbFile(hbm, (thumbs / L"ok.pvx").c_str()));
    DeleteObject(hbm);
}

TEST(FitRect, PlacesInTheBox)
{
    struct Case
    {
        int32_t cx, cy;
        int bResample;
        ViewBox fit;
    } cases[] = {
        {300, 200, 1, {0, 8, 64, 42}}, {200, 300, 1, {12, 0, 40, 60}}, {40, 30, 0, {12, 15, 40, 30}},
        {64, 60, 0, {0, 0, 64, 60}},   {65, 60, 1, {0, 0, 64, 59}},   {640, 480, 1, {0, 6, 64, 48}},
        {20000, 3, 1, {0, 29, 64, 1}},
    };
    for (const Case& c : cases)
    {
        ViewBox fit = {};
        const int bResample = FitRect(c.cx, c.cy, &fit);
        EXPECT_EQ(std::vector<int>({c.bResample, c.fit.x, c.fit.y, c.fit.width, c.fit.height}),
                  std::vector<int>({bResample, fit.x, fit.y, fit.width, fit.height}))
            << c.cx << "x" << c.cy;
    }
}

TEST_F(ThumbCacheTest, MakeThumbnailCachesLargePicturesOnlyAndReadsThemBack)
{
    HBITMAP hbmPicture = MakeTwoBands(640, 480);
    ASSERT_TRUE(WriteThumbFile(hbmPicture, (pictures / L"big.jpg").c_str()));
    DeleteObject(hbmPicture);
    WriteSolidBmp(pictures / L"small.bmp", 40, 30, RGB(0, 200, 0));
    WriteBytes(pictures / L"bad.jpg", "not a picture at all");
    OpenThumbIndex();

    struct Case
    {
        const wchar_t* name;
        PictureType type;
        SIZE size;
        POINT at;
    } cases[] = {
        {L"big.jpg", PICTYPE_JPG, {64, 48}, {0, 6}},
        {L"small.bmp", PICTYPE_BMP, {40, 30}, {12, 15}},
        {L"bad.jpg", PICTYPE_JPG, {0, 0}, {-1, -1}},
        {L"big.jpg", PICTYPE_JPG, {64, 48}, {0, 6}}, // its file deleted first: rewritten to slot 1
        {L"big.jpg", PICTYPE_JPG, {64, 48}, {0, 6}}, // the picture deleted first: from the cache
    };
    for (int i = 0; i < 5; ++i)
    {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        PictureEntry e = Entry(c.name, c.type);
        if (i >= 3)
        {
            const std::wstring gone = i == 3 ? thumbs / L"pvx1.pvx" : pictures / L"big.jpg";
            ASSERT_TRUE(DeleteFileW(gone.c_str()));
        }
        e.xThumb = e.yThumb = -1;
        MakeThumbnail(&decoder, &e, pictures.Path().c_str());
        EXPECT_EQ(c.size.cx, e.hbmThumb ? SizeOf(e.hbmThumb).cx : 0);
        EXPECT_EQ(c.size.cy, e.hbmThumb ? SizeOf(e.hbmThumb).cy : 0);
        EXPECT_EQ(c.at.x, e.xThumb);
        EXPECT_EQ(c.at.y, e.yThumb);
        EXPECT_EQ(0, e.bProcessed);
        // One record and one file all along: index.tmb and pvx1.pvx.
        EXPECT_EQ(1, GetHighestThumbSlot());
        EXPECT_EQ(2, CountFiles(thumbs.Path()));
        if (e.hbmThumb && i == 4)
        {
            // Rows and colour order survive the cache: red above, blue below.
            EXPECT_GT(PixelAt(e.hbmThumb, 32, 5) >> 16, 0xE0u);
            EXPECT_GT(PixelAt(e.hbmThumb, 32, 42) & 0xFF, 0xE0u);
        }
        if (e.hbmThumb)
            DeleteObject(e.hbmThumb);
    }

    // A folder and name too long for a path is no thumbnail, not another file.
    PictureEntry e = Entry(L"small.bmp", PICTYPE_BMP);
    wcscpy_s(e.szName, std::wstring(250, L'n').c_str());
    MakeThumbnail(&decoder, &e, pictures.Path().c_str());
    EXPECT_EQ(nullptr, e.hbmThumb);
}
