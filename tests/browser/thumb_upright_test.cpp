// Thumbnails of camera pictures: made upright (or as stored) as the cache
// says, and never a mix in the cache across a change of the setting.
#include <gtest/gtest.h>

#include <stdint.h>
#include <string>
#include <windows.h>

#include "../extras/temp_folder.h"
#include "../shell/registry_fixture.h"
#include "tests/imaging/fixtures.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_index_record.h"
#include "viewer/browser/thumb_maker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings_names.h"
#include "viewer/imaging/image_decoder.h"

namespace {

class ThumbUprightTest : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        const std::wstring folder = thumbs.Path().substr(0, thumbs.Path().size() - 1);
        RawSetValue(SZ_THUMBNAIL_FOLDER, REG_SZ, folder.c_str(), (DWORD)(folder.size() + 1) * 2);
        wcscpy_s(data.szThumbnailFolder, folder.c_str());
        data.pDecoder = &decoder;
        SetMainWindowData(&data);
        for (int o = 1; o <= 8; ++o)
            pictures.Write(Name(o), ReadFixture(Name(o).c_str()));
    }
    void TearDown() override
    {
        CloseThumbIndex();
        SetMainWindowData(NULL);
        SettingsTest::TearDown();
    }
    static std::wstring Name(int nOrientation) { return L"cam" + std::to_wstring(nOrientation) + L".jpg"; }
    void SetAutoRotate(DWORD dwValue) { RawSetValue(SZ_AUTO_ROTATE, REG_DWORD, &dwValue, sizeof(dwValue)); }
    PictureEntry Entry(int nOrientation)
    {
        PictureEntry e = {};
        wcscpy_s(e.szName, Name(nOrientation).c_str());
        e.nType = PICTYPE_JPG;
        WIN32_FILE_ATTRIBUTE_DATA fa = {};
        GetFileAttributesExW((pictures / e.szName).c_str(), GetFileExInfoStandard, &fa);
        e.nFileSize = fa.nFileSizeLow;
        e.ftLastWrite = fa.ftLastWriteTime;
        return e;
    }
    // The thumbnail's size, and whether it is cached under its own path.
    SIZE Make(PictureEntry* pEntry, bool* pbCached)
    {
        MakeThumbnail(&decoder, pEntry, pictures.Path().c_str());
        *pbCached = LookupThumb((pictures / pEntry->szName).c_str(), pEntry->nFileSize, &pEntry->ftLastWrite, NULL,
                                NULL) != -1;
        BITMAP bm = {};
        if (pEntry->hbmThumb)
            GetObjectW(pEntry->hbmThumb, sizeof(bm), &bm);
        return SIZE{bm.bmWidth, bm.bmHeight};
    }
    std::string Header() { return ReadWholeFile(thumbs / L"index.tmb").substr(0, THUMB_RECORD_BYTES); }
    uint32_t HeaderFlags()
    {
        const std::string h = Header();
        return h.size() == THUMB_RECORD_BYTES ? DecodeThumbHeader(reinterpret_cast<const uint8_t*>(h.data()))
                                              : static_cast<uint32_t>(THUMB_MADE_AS_STORED);
    }

    TempFolder thumbs, pictures;
    MainWindowData data = {};
    CImageDecoder decoder;
};

// The scene's quarters: red, green over blue, white.
void ExpectScene(HBITMAP hbm, LONG xOffset, LONG yOffset)
{
    BITMAP bm = {};
    ASSERT_TRUE(hbm && GetObjectW(hbm, sizeof(bm), &bm));
    EXPECT_EQ(64, bm.bmWidth);
    EXPECT_EQ(48, bm.bmHeight);
    EXPECT_EQ(0, xOffset);
    EXPECT_EQ(6, yOffset);
    const struct { int x, y; uint32_t rgb; } probes[] = {
        {16, 12, 0xFF0000}, {48, 12, 0x00FF00}, {16, 36, 0x0000FF}, {48, 36, 0xFFFFFF}};
    for (const auto& p : probes)
        EXPECT_TRUE(Near(PixelAt(hbm, p.x, p.y), p.rgb, 48)) << p.x << "," << p.y << std::hex << " "
                                                              << PixelAt(hbm, p.x, p.y);
}

} // namespace

// Each orientation makes an upright thumbnail, and the cached copy read
// back on the next visit is the same.
TEST_F(ThumbUprightTest, EachOrientationMakesAnUprightThumbnailAndCachesIt)
{
    OpenThumbIndex();
    ASSERT_TRUE(AreThumbsUpright());
    for (int o = 1; o <= 8; ++o)
    {
        SCOPED_TRACE(testing::Message() << "orientation " << o);
        PictureEntry e = Entry(o);
        bool bCached = false;
        Make(&e, &bCached);
        EXPECT_TRUE(bCached);
        ExpectScene(e.hbmThumb, e.xThumb, e.yThumb);
        DeleteObject(e.hbmThumb);

        PictureEntry again = Entry(o);
        MakeThumbnail(&decoder, &again, pictures.Path().c_str());
        ExpectScene(again.hbmThumb, again.xThumb, again.yThumb);
        DeleteObject(again.hbmThumb);
    }
}

// A change of the setting, in the program or in the registry between runs,
// empties the cache before a thumbnail is made the other way; an index of
// earlier versions (zeros in record 0) stands for thumbnails as stored.
TEST_F(ThumbUprightTest, ChangingTheSettingRebuildsTheCache)
{
    PictureEntry e = Entry(6);
    bool bCached = false;
    OpenThumbIndex();
    EXPECT_EQ(64, Make(&e, &bCached).cx);
    DeleteObject(e.hbmThumb);
    ASSERT_TRUE(bCached);
    EXPECT_EQ(static_cast<uint32_t>(THUMB_MADE_UPRIGHT), HeaderFlags());

    SetThumbsUpright(FALSE);
    EXPECT_FALSE(AreThumbsUpright());
    EXPECT_EQ(-1, LookupThumb((pictures / e.szName).c_str(), e.nFileSize, &e.ftLastWrite, NULL, NULL));
    EXPECT_FALSE(FileExists(thumbs / L"pvx1.pvx"));
    const SIZE stored = Make(&e, &bCached);
    DeleteObject(e.hbmThumb);
    EXPECT_EQ(45, stored.cx) << "as stored: portrait";
    EXPECT_EQ(60, stored.cy);
    EXPECT_TRUE(bCached);
    CloseThumbIndex();
    EXPECT_EQ(std::string(THUMB_RECORD_BYTES, '\0'), Header()) << "as earlier versions write it";

    // Any value but 0 means upright: the next start clears the cache.
    SetAutoRotate(7);
    OpenThumbIndex();
    EXPECT_TRUE(AreThumbsUpright());
    EXPECT_EQ(-1, LookupThumb((pictures / e.szName).c_str(), e.nFileSize, &e.ftLastWrite, NULL, NULL));
    EXPECT_EQ(64, Make(&e, &bCached).cx);
    DeleteObject(e.hbmThumb);
    EXPECT_EQ(1, GetHighestThumbSlot());
    CloseThumbIndex();
    EXPECT_EQ(static_cast<uint32_t>(THUMB_MADE_UPRIGHT), HeaderFlags());

    // Off again between runs: the upright thumbnails go.
    SetAutoRotate(0);
    OpenThumbIndex();
    EXPECT_EQ(-1, LookupThumb((pictures / e.szName).c_str(), e.nFileSize, &e.ftLastWrite, NULL, NULL));
    EXPECT_FALSE(FileExists(thumbs / L"pvx1.pvx"));
    EXPECT_EQ(45, Make(&e, &bCached).cx);
    DeleteObject(e.hbmThumb);
    CloseThumbIndex();

    // The same setting keeps what was cached.
    OpenThumbIndex();
    EXPECT_NE(-1, LookupThumb((pictures / e.szName).c_str(), e.nFileSize, &e.ftLastWrite, NULL, NULL));
    SetThumbsUpright(FALSE);
    EXPECT_NE(-1, LookupThumb((pictures / e.szName).c_str(), e.nFileSize, &e.ftLastWrite, NULL, NULL));
}

// Record 0's tag is read only when it is whole; a record of thumbnails
// follows the same format whatever record 0 holds.
TEST(ThumbIndexHeader, TagAndFlagsRoundTripAndZerosMeanAsStored)
{
    uint8_t rgb[THUMB_RECORD_BYTES];
    EncodeThumbHeader(THUMB_MADE_AS_STORED, rgb);
    EXPECT_EQ(std::string(THUMB_RECORD_BYTES, '\0'), std::string(reinterpret_cast<char*>(rgb), sizeof(rgb)));
    EncodeThumbHeader(THUMB_MADE_UPRIGHT, rgb);
    EXPECT_EQ(static_cast<uint32_t>(THUMB_MADE_UPRIGHT), DecodeThumbHeader(rgb));
    ThumbRecordFields fields;
    EXPECT_FALSE(DecodeThumbRecord(rgb, &fields)) << "never taken for a thumbnail's record";
    rgb[THUMB_OFS_PATH] ^= 1;
    EXPECT_EQ(static_cast<uint32_t>(THUMB_MADE_AS_STORED), DecodeThumbHeader(rgb));
}
