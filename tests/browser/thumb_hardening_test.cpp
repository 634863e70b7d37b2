// The thumbnail pipeline against a stop in mid-work, foreign cache files and
// a record that finds no memory.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <string>
#include <windows.h>

#include "thumb_folder_fixture.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_maker.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/shared_paths.h"

namespace {

class ThumbHardeningTest : public ThumbFolderTest
{
protected:
    void SetUp() override
    {
        ThumbFolderTest::SetUp();
        SetAutoRotate(0);
    }
    void TearDown() override
    {
        StopThumbWorker();
        SetThumbMakerForTests(nullptr);
        SetThumbRecordAllocatorForTests(nullptr);
        FreePictures();
        ThumbFolderTest::TearDown();
    }
    void WriteJpeg(const std::wstring& path, int w, int h)
    {
        HBITMAP hbm = Grey(w, h);
        ASSERT_TRUE(WriteThumbFile(hbm, path.c_str()));
        DeleteObject(hbm);
    }
};

// Held inside a decode that only a cancel ends, as a huge picture would hold it.
struct SlowDecode
{
    HANDLE hInside = CreateEventW(NULL, TRUE, FALSE, NULL);
    std::atomic<bool> bCancelSeen{false};
    ~SlowDecode() { CloseHandle(hInside); }
} * g_pSlow;

void CancelWaitingMaker(CImageDecoder* pDecoder, PictureEntry*, LPCWSTR)
{
    SetEvent(g_pSlow->hInside);
    for (DWORD dwStart = GetTickCount(); pDecoder && GetTickCount() - dwStart < 20000; Sleep(1))
    {
        if (pDecoder->IsCancelled())
        {
            g_pSlow->bCancelSeen = true;
            return;
        }
    }
}

int g_nAllocs;
void* FailSecondRecord(size_t cb)
{
    return ++g_nAllocs == 2 ? NULL : calloc(1, cb);
}

} // namespace

// A stop cancels the decode in hand and the worker ends by itself; the
// decoder is usable again, and the entry cut short is left for the next worker.
TEST_F(ThumbHardeningTest, StopCancelsTheDecodeInHand)
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
TEST_F(ThumbHardeningTest, AThumbnailCutShortIsNeitherKeptNorCached)
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
TEST_F(ThumbHardeningTest, OnlyWhatTheCacheWritesIsRead)
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
    WriteWholeFile(file, std::string("BM not a jpeg"));
    EXPECT_EQ(nullptr, ReadThumbFile(1));

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

TEST_F(ThumbHardeningTest, LoadingPassesOverARecordThatFindsNoMemory)
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
