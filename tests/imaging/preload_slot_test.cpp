// The preload slot: what it hands over, what it refuses, and how a stop ends
// its worker, waited for through its handle or events, never by sleeping.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/pictures.h"
#include "viewer/imaging/load/preload_slot.h"

namespace {

// The slot with its worker's end and its decodes observable. A held slot's
// decode waits for the stop, as a long decode would still be running.
class TestSlot : public CPreloadSlot
{
public:
    explicit TestSlot(bool bHeld = false) : m_bHeld(bHeld) {}
    ~TestSlot() override { Drop(), CloseHandle(m_hStarted); }
    bool WaitDone() { return !m_hThread || WaitForSingleObject(m_hThread, 10000) == WAIT_OBJECT_0; }
    DWORD Run() override
    {
        DWORD dwResult = CPreloadSlot::Run();
        InterlockedExchange(&m_nRunResult, (LONG)dwResult);
        InterlockedExchange(&m_bRanToEnd, 1);
        return dwResult;
    }
    volatile LONG m_nDecodes = 0, m_nRunResult = -2, m_bRanToEnd = 0;
    HANDLE m_hStarted = CreateEventW(NULL, TRUE, FALSE, NULL);
    HBITMAP m_hbmDecoded = (HBITMAP)1;

protected:
    HBITMAP Decode(const WCHAR* pszPath) override
    {
        SetEvent(m_hStarted);
        if (m_bHeld)
            WaitForSingleObject(GetStopEvent(), INFINITE);
        InterlockedIncrement(&m_nDecodes);
        return m_hbmDecoded = CPreloadSlot::Decode(pszPath);
    }

private:
    bool m_bHeld;
};

std::wstring WriteJpeg(const TempFolder& folder, const wchar_t* pszName, int w, int h, uint32_t rgb)
{
    return folder.Write(pszName, MakeJpeg(w, h, JPEG_RGB, Plain(rgb)));
}

} // namespace

// Handed over only for the same name, size and write time; anything else
// gets nothing and empties the slot.
TEST(PreloadSlotTest, HandsOverOnlyTheUnchangedFileItWasDecodedFrom)
{
    TempFolder folder;
    const std::wstring path = WriteJpeg(folder, L"b.jpg", 64, 48, 0x2080C0);
    TestSlot slot;

    slot.Preload(path.c_str(), NULL);
    ASSERT_TRUE(slot.WaitDone());
    ASSERT_TRUE(slot.HasPicture());
    EXPECT_EQ(nullptr, slot.Take((folder / L"c.jpg").c_str()));
    EXPECT_FALSE(slot.HasPicture()) << "another name empties the slot";

    slot.Preload(path.c_str(), NULL);
    ASSERT_TRUE(slot.WaitDone());
    HBITMAP hbm = slot.Take((folder / L"B.JPG").c_str());
    EXPECT_EQ(Dims(64, 48), BitmapSize(hbm)) << "names compare without case, as the file system does";
    DeleteObject(hbm);
    EXPECT_FALSE(slot.HasPicture());

    // Same size, another write time.
    slot.Preload(path.c_str(), NULL);
    ASSERT_TRUE(slot.WaitDone());
    SetLocalWriteTime(path, 2001, 2, 3);
    EXPECT_EQ(nullptr, slot.Take(path.c_str())) << "a new write time";

    // New contents of another size, the write time put back.
    slot.Preload(path.c_str(), NULL);
    ASSERT_TRUE(slot.WaitDone());
    ASSERT_TRUE(slot.HasPicture());
    WriteJpeg(folder, L"b.jpg", 96, 48, 0xC08020);
    SetLocalWriteTime(path, 2001, 2, 3);
    EXPECT_EQ(nullptr, slot.Take(path.c_str())) << "another size";
}

// A stop while the worker waits for its event, or while it decodes, ends
// the worker through its own return (never by force) and leaves no bitmap.
TEST(PreloadSlotTest, AStopDuringTheWaitOrTheDecodeEndsTheWorkerCleanly)
{
    TempFolder folder;
    const std::wstring path = WriteJpeg(folder, L"a.jpg", 640, 480, 0x00FF00);
    HANDLE hNever = CreateEventW(NULL, TRUE, FALSE, NULL);
    {
        TestSlot slot;
        slot.Preload(path.c_str(), hNever);
        slot.Drop();
        EXPECT_EQ(1, slot.m_bRanToEnd);
        EXPECT_EQ(0, slot.m_nDecodes);
        EXPECT_FALSE(slot.HasPicture());
        EXPECT_STREQ(L"", slot.GetPath());
        // The same slot works again after the stop.
        slot.Preload(path.c_str(), NULL);
        ASSERT_TRUE(slot.WaitDone());
        EXPECT_TRUE(slot.HasPicture());
    }
    CloseHandle(hNever);

    TestSlot slot(true);
    slot.Preload(path.c_str(), NULL);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(slot.m_hStarted, 10000));
    slot.Drop();
    EXPECT_EQ(1, slot.m_bRanToEnd) << "the worker returned by itself";
    EXPECT_EQ(0, slot.m_nRunResult);
    EXPECT_EQ(nullptr, slot.m_hbmDecoded) << "the cancel reached the decoder";
    EXPECT_EQ(nullptr, slot.Take(path.c_str()));
}

// Within the budget and with 256 MiB available, and not otherwise.
TEST(PreloadSlotTest, FitsOnlyWithinTheBudgetAndTheAvailableMemory)
{
    const uint64_t MiB = 1024ull * 1024;
    EXPECT_TRUE(PreloadFits(4000, 3000, 512 * MiB, 256 * MiB));
    EXPECT_FALSE(PreloadFits(4000, 3000, 512 * MiB, 256 * MiB - 1));
    EXPECT_FALSE(PreloadFits(4000, 3000, 34 * MiB, 1024 * MiB)) << "36 MB of pixels over a 34 MiB budget";
    EXPECT_TRUE(PreloadFits(4000, 3000, 35 * MiB, 1024 * MiB));
}
