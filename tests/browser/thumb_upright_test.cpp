// Thumbnails of camera pictures: made upright (or as stored) as the cache
// says, and never a mix in the cache across a change of the setting.
#include <gtest/gtest.h>

#include <stdint.h>
#include <string>
#include <windows.h>

#include "tests/support/fixtures.h"
#include "thumb_folder_fixture.h"
#include "viewer/browser/thumb_index_record.h"
#include "viewer/browser/thumb_maker.h"

namespace {

// cam6.jpg: a 320 x 240 scene stored on its side.
class ThumbUprightTest : public ThumbFolderTest
{
protected:
    void SetUp() override
    {
        ThumbFolderTest::SetUp();
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
