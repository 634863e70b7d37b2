// The thumbnail cache in a temporary thumbnail folder named in the registry.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>
#include "thumb_folder_fixture.h"

namespace {

class ThumbCacheTest : public ThumbFolderTest {
protected:
    void SetUp() override {
        ThumbFolderTest::SetUp();
        SetAutoRotate(0);
    }
    std::wstring Index() const { return thumbs / L"index.tmb"; }
    void Store(const std::wstring& path) {
        HBITMAP hbm = Grey(40, 30);
        StoreThumb(hbm, path.c_str(), 1000, &kThumbTime, 0, 6, -1);
        DeleteObject(hbm);
    }
    LONG Find(const std::wstring& path) {
        LONG x = -9, y = -9;
        return LookupThumb(path.c_str(), 1000, &kThumbTime, &x, &y);
    }
};

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

TEST_F(ThumbCacheTest, WithoutAnIndexTheCacheIsOffAndWriteFailuresLeaveNoFile) {
    const std::wstring missing = thumbs / L"missing";
    RawSetValue(SZ_THUMBNAIL_FOLDER, REG_SZ, missing.c_str(), (DWORD)(missing.size() + 1) * 2);
    OpenThumbIndex();
    EXPECT_FALSE(IsThumbIndexOpen());
    Store(L"a");
    EXPECT_EQ(-1, Find(L"a"));
    EXPECT_EQ(nullptr, ReadThumbFile(1));
    EXPECT_FALSE(FileExists(missing));
    // On a device that is always full the encoder's write fails: reported, not fatal.
    HBITMAP hbm = Grey(64, 60);
    FILE* pFull = _wfopen(L"Z:\\dev\\full", L"wb");
    ASSERT_TRUE(pFull);
    fclose(pFull);
    EXPECT_FALSE(WriteThumbFile(hbm, L"Z:\\dev\\full"));
    EXPECT_FALSE(WriteThumbFile(NULL, (thumbs / L"null.pvx").c_str()));
    HBITMAP hbmDdb = CreateBitmap(8, 8, 1, 1, NULL); // no 24-bit rows to read
    EXPECT_FALSE(WriteThumbFile(hbmDdb, (thumbs / L"ddb.pvx").c_str()));
    EXPECT_EQ(0u, ReadWholeFile(thumbs / L"ddb.pvx").size());
    DeleteObject(hbmDdb);
    EXPECT_TRUE(WriteThumbFile(hbm, (thumbs / L"ok.pvx").c_str()));
    DeleteObject(hbm);
}
