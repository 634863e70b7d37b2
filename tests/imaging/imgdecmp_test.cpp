// The imgdecmp stand-in called directly: faults inside the decode caught by
// the guard. Its output at the display's 16 bits is the decoder test's.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>

#include "platform/imgdecmp/imgdecmp.h"
#include "platform/seh_guard/seh_guard.h"
#include "tests/support/fixtures.h"
#include "tests/support/pictures.h"

namespace {

// An address nobody maps, read through a volatile so the compiler cannot see it.
volatile uintptr_t g_badAddress = 16;

// The data source and progress callback of one decode; either can fault.
struct Feed
{
    const Bytes* pData;
    size_t pos;
    int nReads, nFaultAtRead;   // 0: never
    bool bFaultInProgress;
    HBITMAP hbmSeen;
};

DWORD CALLBACK FeedRead(LPSTR p, DWORD cbMax, LPARAM lParam)
{
    Feed* f = reinterpret_cast<Feed*>(lParam);
    if (++f->nReads == f->nFaultAtRead)
        *reinterpret_cast<volatile int*>(g_badAddress) = 1;   // access violation on purpose
    const size_t n = std::min<size_t>(f->pData->size() - f->pos, cbMax);
    memcpy(p, f->pData->data() + f->pos, n);
    f->pos += n;
    return static_cast<DWORD>(n);
}

void CALLBACK FeedProgress(IImageRender* pRender, BOOL, LPARAM lParam)
{
    Feed* f = reinterpret_cast<Feed*>(lParam);
    pRender->GetBitmap(&f->hbmSeen, FALSE);
    volatile int zero = 0;
    if (f->bFaultInProgress)
        f->nReads = 100 / zero;   // integer division by zero on purpose
}

HRESULT Decode(const Bytes& data, int depth, Feed* f, HBITMAP* phbm)
{
    f->pData = &data;
    BYTE buffer[4096];
    DecompressImageInfo p = {DECOMPRESSIMAGEINFO_HANDHELD_SIZE, buffer, sizeof(buffer), 0, phbm, nullptr, depth,
                             reinterpret_cast<LPARAM>(f), NULL, 100, 10000, 10000, FeedRead, FeedProgress,
                             static_cast<COLORREF>(-1)};
    return DecompressImageIndirect(&p);
}

int g_nDepth = 0;
void Nested(void*)
{
    g_nDepth++;
    DWORD code = 0;
    const BOOL ok = SehGuardRun([](void*) { *reinterpret_cast<volatile int*>(g_badAddress) = 0; }, nullptr, &code);
    if (!ok && code == EXCEPTION_ACCESS_VIOLATION)
        g_nDepth++;   // the inner guard took it; the outer goes on
}

} // namespace

// Faults inside WIC (PNG), our rows (BMP) and the progress callback are
// caught: the bitmap made so far is deleted, and the stand-in still works.
TEST(ImgDecmp, FaultsInsideTheDecodeAreCaughtAndNothingLeaks)
{
    const Bytes png = ReadFixture(L"noise.png"), bmp = Bmp24(600, 400, [](int x, int) { return uint32_t(x); });
    const struct { const Bytes* data; int nFaultAtRead; bool bFaultInProgress; HRESULT hr; } cases[] = {
        {&png, 5, false, HRESULT_FROM_NT(EXCEPTION_ACCESS_VIOLATION)},
        {&bmp, 5, false, HRESULT_FROM_NT(EXCEPTION_ACCESS_VIOLATION)},
        {&bmp, 0, true, HRESULT_FROM_NT(EXCEPTION_INT_DIVIDE_BY_ZERO)}};
    for (const auto& c : cases)
    {
        Feed f = {};
        f.nFaultAtRead = c.nFaultAtRead;
        f.bFaultInProgress = c.bFaultInProgress;
        HBITMAP hbm = reinterpret_cast<HBITMAP>(1);
        EXPECT_EQ(Decode(*c.data, 24, &f, &hbm), c.hr);
        EXPECT_EQ(hbm, nullptr);
        ASSERT_NE(f.hbmSeen, nullptr);
        EXPECT_EQ(GetObjectType(f.hbmSeen), 0u) << "the bitmap made so far is deleted";
    }
    Feed f = {};
    HBITMAP hbm = NULL;
    ASSERT_EQ(Decode(png, 24, &f, &hbm), S_OK);
    DeleteObject(hbm);
}

TEST(SehGuard, NestsAndPassesCleanCallsThrough)
{
    DWORD code = 1;
    EXPECT_TRUE(SehGuardRun([](void* pv) { *static_cast<int*>(pv) = 42; }, &g_nDepth, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(g_nDepth, 42);
    g_nDepth = 0;
    EXPECT_TRUE(SehGuardRun(Nested, nullptr, &code));
    EXPECT_EQ(g_nDepth, 2);
}
