// Thumbnail figures of camera photos (printed, never a timed test):
//   camera_thumb_bench WITH WITHOUT THUMBS [RUNS]
// WITH and WITHOUT hold the same pictures, the first with the EXIF preview
// a camera writes, the second without one (bench/make_camera_pictures.py).
// Both folders go through MakeThumbnail with an emptied cache, as the
// thumbnail worker makes them: from the preview, and from the picture
// itself. Prints medians of RUNS runs as "name value" lines for bench/thumbs,
// with how many previews were usable and how far the two thumbnails of a
// picture differ.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/thumb_bench_setup.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_maker.h"
#include "viewer/browser/thumb_preview.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/view/resample_kernels.h"

namespace {

// The folder's JPEGs by name, as the file list would list them.
std::vector<PictureEntry> ListPictures(const std::wstring& folder)
{
    std::vector<PictureEntry> entries;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((folder + L"*.jpg").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return entries;
    do
    {
        entries.push_back(EntryFromFind(fd));
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
    std::sort(entries.begin(), entries.end(),
              [](const PictureEntry& a, const PictureEntry& b) { return wcscmp(a.szName, b.szName) < 0; });
    return entries;
}

void FreeThumbs(std::vector<PictureEntry>& entries)
{
    for (PictureEntry& e : entries)
    {
        if (e.hbmThumb)
            DeleteObject(e.hbmThumb);
        e.hbmThumb = NULL;
    }
}

// One cold pass: the cache emptied, every thumbnail made and cached.
double MakeAllCold(CImageDecoder* pDecoder, std::vector<PictureEntry>& entries, const std::wstring& folder)
{
    FreeThumbs(entries);
    ClearThumbCache();
    g_nResampleAbort = 0;
    const double t0 = NowMs();
    for (PictureEntry& e : entries)
        MakeThumbnail(pDecoder, &e, folder.c_str());
    return NowMs() - t0;
}

int CountUsablePreviews(const std::vector<PictureEntry>& entries, const std::wstring& folder)
{
    int n = 0;
    for (const PictureEntry& e : entries)
    {
        ViewBox fit = {};
        bool bLarge = false;
        volatile int32_t nStop = 0;
        HBITMAP hbm = ThumbFromPreview((folder + e.szName).c_str(), e.nType, AreThumbsUpright() != FALSE,
                                       AreThumbsColourManaged() != FALSE, &fit, &bLarge, &nStop);
        if (hbm)
        {
            ++n;
            DeleteObject(hbm);
        }
    }
    return n;
}

// A thumbnail's pixels as 24-bit rows, top-down; empty when it has none.
std::vector<BYTE> Pixels(HBITMAP hbm, int* pw, int* ph)
{
    BITMAP bm = {};
    std::vector<BYTE> bits;
    if (!hbm || GetObjectW(hbm, sizeof(bm), &bm) != sizeof(bm))
        return bits;
    BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 24, BI_RGB}};
    bits.resize(static_cast<size_t>((bm.bmWidth * 3 + 3) & ~3) * bm.bmHeight);
    HDC hdc = GetDC(NULL);
    const int nRows = GetDIBits(hdc, hbm, 0, bm.bmHeight, bits.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(NULL, hdc);
    if (nRows != bm.bmHeight)
        bits.clear();
    *pw = bm.bmWidth;
    *ph = bm.bmHeight;
    return bits;
}

// Mean absolute difference of two thumbnails, in levels of 255; -1 when
// their sizes or places differ.
double MeanDifference(const PictureEntry& a, const PictureEntry& b)
{
    int wa = 0, ha = 0, wb = 0, hb = 0;
    const std::vector<BYTE> pa = Pixels(a.hbmThumb, &wa, &ha), pb = Pixels(b.hbmThumb, &wb, &hb);
    if (pa.empty() || pa.size() != pb.size() || wa != wb || ha != hb || a.xThumb != b.xThumb ||
        a.yThumb != b.yThumb)
        return -1;
    const size_t cbRow = static_cast<size_t>((wa * 3 + 3) & ~3);
    double sum = 0;
    for (int y = 0; y < ha; ++y)
        for (int x = 0; x < wa * 3; ++x)
            sum += abs(pa[y * cbRow + x] - pb[y * cbRow + x]);
    return sum / (3.0 * wa * ha);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4)
    {
        fprintf(stderr, "usage: camera_thumb_bench WITH WITHOUT THUMBS [RUNS]\n");
        return 2;
    }
    std::wstring with = argv[1], without = argv[2], thumbs = argv[3];
    const int nRuns = argc > 4 ? std::max(1, _wtoi(argv[4])) : 5;
    for (std::wstring* p : {&with, &without})
        if (p->back() != L'\\')
            *p += L'\\';
    CImageDecoder decoder;
    MainWindowData data;
    UseThumbnailFolder(&thumbs, &decoder, &data);

    std::vector<PictureEntry> fromPreview = ListPictures(with), fromPicture = ListPictures(without);
    if (fromPreview.empty() || fromPreview.size() != fromPicture.size())
    {
        fprintf(stderr, "%ls and %ls must hold the same pictures\n", with.c_str(), without.c_str());
        return 1;
    }

    OpenThumbIndex();
    std::vector<double> previewMs, pictureMs;
    for (int run = 0; run < nRuns; ++run)
    {
        // Turn about, so that a change of the machine's load meets both.
        previewMs.push_back(MakeAllCold(&decoder, fromPreview, with));
        pictureMs.push_back(MakeAllCold(&decoder, fromPicture, without));
    }
    // What looking for a preview costs where there is none: the price every
    // other JPEG pays.
    const double t0 = NowMs();
    CountUsablePreviews(fromPicture, without);
    const double probeMs = NowMs() - t0;
    const int nUsable = CountUsablePreviews(fromPreview, with);
    int nMade = 0, nSamePlace = 0;
    double worst = 0;
    for (size_t i = 0; i < fromPreview.size(); ++i)
    {
        nMade += fromPreview[i].hbmThumb && fromPicture[i].hbmThumb;
        const double d = MeanDifference(fromPreview[i], fromPicture[i]);
        if (d >= 0)
        {
            ++nSamePlace;
            worst = std::max(worst, d);
        }
    }
    const LONG nCached = GetHighestThumbSlot();
    FreeThumbs(fromPreview);
    FreeThumbs(fromPicture);
    CloseThumbIndex();
    SetMainWindowData(NULL);

    const double n = static_cast<double>(fromPreview.size());
    printf("pictures %d\n", static_cast<int>(fromPreview.size()));
    printf("runs %d\n", nRuns);
    printf("upright %d\n", AreThumbsUpright() ? 1 : 0);
    printf("previews_usable %d\n", nUsable);
    printf("made_both %d\n", nMade);
    printf("cached_last_pass %ld\n", static_cast<long>(nCached));
    printf("same_size_and_place %d\n", nSamePlace);
    printf("worst_mean_difference %.2f\n", worst);
    printf("preview_ms %.1f\n", Median(previewMs));
    printf("preview_per_s %.2f\n", 1000.0 * n / Median(previewMs));
    printf("picture_ms %.1f\n", Median(pictureMs));
    printf("picture_per_s %.2f\n", 1000.0 * n / Median(pictureMs));
    printf("speedup %.2f\n", Median(pictureMs) / Median(previewMs));
    printf("probe_without_preview_ms_each %.3f\n", probeMs / n);
    return 0;
}
