// The imgdecmp stand-in called directly: depths, reads per buffer, the
// header-only early stop, and faults inside the decode caught by the guard.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/imgdecmp/imgdecmp.h"
#include "platform/seh_guard/seh_guard.h"
#include "tests/imaging/fixtures.h"
#include "tests/imaging/test_pictures.h"

namespace {

// An address nobody maps, read through a volatile so the compiler cannot see it.
volatile uintptr_t g_badAddress = 16;

struct Feed
{
    const Bytes* pData;
    size_t pos;
    int nReads;
    int nFaultAtRead;          // 0: never
    bool bStopAfterProgress;
    bool bStop;
    bool bFaultInProgress;
    HBITMAP hbmSeen;
};

DWORD CALLBACK FeedRead(LPSTR p, DWORD cbMax, LPARAM lParam)
{
    Feed* f = reinterpret_cast<Feed*>(lParam);
    f->nReads++;
    if (f->nFaultAtRead && f->nReads == f->nFaultAtRead)
        *reinterpret_cast<volatile int*>(g_badAddress) = 1;   // access violation on purpose
    if (f->bStop)
        return 0;
    const size_t n = f->pData->size() - f->pos < cbMax ? f->pData->size() - f->pos : cbMax;
    memcpy(p, f->pData->data() + f->pos, n);
    f->pos += n;
    return static_cast<DWORD>(n);
}

void CALLBACK FeedProgress(IImageRender* pRender, BOOL, LPARAM lParam)
{
    Feed* f = reinterpret_cast<Feed*>(lParam);
    pRender->GetBitmap(&f->hbmSeen, FALSE);
    if (f->bStopAfterProgress)
        f->bStop = true;
    if (f->bFaultInProgress)
    {
        volatile int zero = 0;
        f->nReads = 100 / zero;   // integer division by zero on purpose
    }
}

HRESULT Decode(const Bytes& data, int depth, Feed* f, HBITMAP* phbm, IImageRender** ppRender = nullptr,
               int nMaxWidth = 10000)
{
    f->pData = &data;
    BYTE buffer[4096];
    DecompressImageInfo p = {};
    p.dwSize = DECOMPRESSIMAGEINFO_HANDHELD_SIZE;
    p.pbBuffer = buffer;
    p.dwBufferMax = sizeof(buffer);
    p.phBM = phbm;
    p.ppImageRender = ppRender;
    p.iBitDepth = depth;
    p.lParam = reinterpret_cast<LPARAM>(f);
    p.iScale = 100;
    p.iMaxWidth = nMaxWidth;
    p.iMaxHeight = 10000;
    p.pfnGetData = FeedRead;
    p.pfnImageProgress = FeedProgress;
    p.crTransparentOverride = static_cast<COLORREF>(-1);
    return DecompressImageIndirect(&p);
}

// The quarters of quad.png: red, green / blue, white, the left half 4 wide.
uint32_t Quad(int x, int y) { return y < 3 ? (x < 4 ? 0xFF0000u : 0x00FF00u) : (x < 4 ? 0x0000FFu : 0xFFFFFFu); }

} // namespace

TEST(ImgDecmp, OutputDepthsAndMasks)
{
    const Bytes png = ReadFixture(L"quad.png");
    const Bytes bmp = MakeBmp(40, 9, 7, 24, 0, {}, nullptr, BmpRows(9, 7, 24, Quad));
    for (const Bytes* data : {&png, &bmp})
    {
        for (int depth : {16, 24, 32})
        {
            Feed f = {};
            HBITMAP hbm = NULL;
            ASSERT_EQ(Decode(*data, depth, &f, &hbm), S_OK) << depth;
            DIBSECTION ds;
            ASSERT_EQ(GetObjectW(hbm, sizeof(ds), &ds), (int)sizeof(ds));
            EXPECT_EQ(ds.dsBm.bmBitsPixel, depth);
            if (depth == 16)
            {
                EXPECT_EQ(ds.dsBmih.biCompression, (DWORD)BI_BITFIELDS);
                EXPECT_EQ(ds.dsBitfields[0], 0xF800u);
                EXPECT_EQ(ds.dsBitfields[1], 0x07E0u);
                EXPECT_EQ(ds.dsBitfields[2], 0x001Fu);
            }
            for (int y : {0, 6})
                for (int x : {0, 8})
                    EXPECT_EQ(PixelAt(hbm, x, y), Quantised(hbm, Quad(x, y))) << depth << " " << x << "," << y;
            DeleteObject(hbm);
        }
    }
}

TEST(ImgDecmp, BmpPullsBuffersOfAtMost4096AndHeaderOnlyStopsAfterOne)
{
    const int w = 500, h = 300;   // 450 KB of pixels
    const Bytes bmp = MakeBmp(40, w, h, 24, 0, {}, nullptr, BmpRows(w, h, 24, [](int x, int) { return uint32_t(x); }));
    Feed full = {};
    HBITMAP hbm = NULL;
    ASSERT_EQ(Decode(bmp, 24, &full, &hbm), S_OK);
    EXPECT_GE(full.nReads, static_cast<int>(bmp.size() / 4096));
    DeleteObject(hbm);

    Feed header = {};
    header.bStopAfterProgress = true;
    hbm = NULL;
    EXPECT_NE(Decode(bmp, 16, &header, &hbm), S_OK);
    EXPECT_EQ(hbm, nullptr);
    EXPECT_LE(header.nReads, 2) << "about one buffer";
    EXPECT_NE(header.hbmSeen, nullptr);
    EXPECT_EQ(GetObjectType(header.hbmSeen), 0u) << "the unfinished bitmap was deleted";
}

TEST(ImgDecmp, PngAndGifSizesComeFromTheFirstBuffer)
{
    const Bytes png = ReadFixture(L"noise.png");
    const Bytes gif = ReadFixture(L"noise.gif");
    for (const Bytes* data : {&png, &gif})
    {
        Feed f = {};
        f.bStopAfterProgress = true;
        HBITMAP hbm = NULL;
        Decode(*data, 16, &f, &hbm);
        EXPECT_EQ(f.nReads, 2) << "the first buffer, then the read that ends the data";
        EXPECT_EQ(hbm, nullptr);
    }
}

// Faults inside WIC's Initialize (PNG), inside our rows (BMP) and inside the
// progress callback are caught: the bitmap made so far is deleted, and the
// stand-in still works on this thread afterwards.
TEST(ImgDecmp, FaultsInsideTheDecodeAreCaughtAndNothingLeaks)
{
    const int w = 600, h = 400;
    const Bytes png = ReadFixture(L"noise.png");
    const Bytes bmp = MakeBmp(40, w, h, 24, 0, {}, nullptr, BmpRows(w, h, 24, [](int x, int) { return uint32_t(x); }));
    const struct
    {
        const Bytes* data;
        int nFaultAtRead;
        bool bFaultInProgress;
        HRESULT hr;
    } cases[] = {{&png, 5, false, HRESULT_FROM_NT(EXCEPTION_ACCESS_VIOLATION)},
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

TEST(ImgDecmp, RefusesBadRecordsAndUnknownData)
{
    DecompressImageInfo p = {};
    EXPECT_EQ(DecompressImageIndirect(nullptr), E_INVALIDARG);
    EXPECT_EQ(DecompressImageIndirect(&p), E_INVALIDARG);
    Feed f = {};
    HBITMAP hbm = reinterpret_cast<HBITMAP>(1);
    EXPECT_TRUE(FAILED(Decode(Bytes(100, 'x'), 24, &f, &hbm)));
    EXPECT_EQ(hbm, nullptr);
    EXPECT_TRUE(FAILED(Decode(ReadFixture(L"noise.png"), 24, &f, &hbm, nullptr, 100))) << "wider than the maximum width";
}

TEST(ImgDecmp, RleColumnNeverWrapsOnALongRow)
{
    // One pixel, then deltas that carry the column past 2^31 without an end
    // of line, then a run that must land nowhere.
    Bytes rle = {1, 1};
    const size_t nDeltas = (size_t(1) << 31) / 255 + 16;
    rle.reserve(4 * nDeltas + 8);
    for (size_t i = 0; i < nDeltas; ++i)
        rle.insert(rle.end(), {0, 2, 255, 0});
    rle.insert(rle.end(), {2, 2, 0, 1});
    const Bytes bmp = MakeBmp(40, 1, 1, 8, 1 /* RLE8 */, {0x000000, 0xABCDEF, 0x123456}, nullptr, rle);
    Feed f = {};
    HBITMAP hbm = NULL;
    ASSERT_EQ(Decode(bmp, 32, &f, &hbm), S_OK);
    EXPECT_EQ(PixelAt(hbm, 0, 0), 0xABCDEFu);
    DeleteObject(hbm);
}

TEST(ImgDecmp, ARenderObjectTakenAloneKeepsTheBitmap)
{
    const Bytes bmp = MakeBmp(40, 9, 7, 24, 0, {}, nullptr, BmpRows(9, 7, 24, Quad));
    Feed f = {};
    IImageRender* pRender = nullptr;
    ASSERT_EQ(Decode(bmp, 24, &f, nullptr, &pRender), S_OK);
    ASSERT_NE(pRender, nullptr);
    HBITMAP hbm = NULL;
    ASSERT_EQ(pRender->GetBitmap(&hbm, FALSE), S_OK);
    EXPECT_EQ(PixelAt(hbm, 8, 6), Quad(8, 6)) << "the bitmap outlives the decode call";
    pRender->Release();
    EXPECT_EQ(GetObjectType(hbm), 0u) << "and goes with the render object";
}

namespace {
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

TEST(SehGuard, NestsAndPassesCleanCallsThrough)
{
    DWORD code = 1;
    EXPECT_TRUE(SehGuardRun([](void* pv) { *static_cast<int*>(pv) = 42; }, &g_nDepth, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(g_nDepth, 42);
    g_nDepth = 0;
    EXPECT_TRUE(SehGuardRun(Nested, nullptr, &code));
    EXPECT_EQ(g_nDepth, 2);
    // C++ exceptions are not the guard's business.
    bool caught = false;
    try
    {
        SehGuardRun([](void*) { throw 5; }, nullptr, nullptr);
    }
    catch (int)
    {
        caught = true;
    }
    EXPECT_TRUE(caught);
}
