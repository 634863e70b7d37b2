// Thumbnail figures (printed, never a timed test):
//   thumb_bench PICTURES THUMBS [RUNS]
// Makes the thumbnails of every JPEG of PICTURES the way the thumbnail worker
// does (MakeThumbnail on the main window record's decoder), with THUMBS as
// the THUMBNAIL_FOLDER setting:
//   cold: THUMBS emptied first, so each picture is decoded at reduced size,
//         fitted, resampled and written to the cache;
//   warm: the same list again after the index is reopened, read from the
//         cache.
// Prints medians of RUNS runs as "name value" lines for bench/thumbs.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_maker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/imaging/image_decoder.h"
#include "viewer/imaging/resample_kernels.h"

namespace {

// Calls visit with the find data of every file matching pattern.
template <class Visit>
void ForEachFile(const std::wstring& pattern, Visit visit)
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(pattern.c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
        visit(fd);
    while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
}

// The folder's JPEGs as the file list lists them.
std::vector<PictureEntry> ListPictures(const std::wstring& folder)
{
    std::vector<PictureEntry> entries;
    ForEachFile(folder + L"*.jpg", [&entries](const WIN32_FIND_DATAW& fd) {
        PictureEntry e = {};
        wcscpy_s(e.szName, fd.cFileName);
        e.cchName = static_cast<LONG>(wcslen(fd.cFileName));
        e.nType = CImageDecoder::TypeFromExtension(fd.cFileName);
        e.nFileSize = fd.nFileSizeLow;
        e.ftLastWrite = fd.ftLastWriteTime;
        entries.push_back(e);
    });
    return entries;
}

// One pass over the list; the number of thumbnails made.
int MakeAll(CImageDecoder* pDecoder, std::vector<PictureEntry>& entries, const std::wstring& folder, double* pMs)
{
    g_nResampleAbort = 0; // as the worker does when it starts
    const double t0 = NowMs();
    for (PictureEntry& e : entries)
        MakeThumbnail(pDecoder, &e, folder.c_str());
    *pMs = NowMs() - t0;
    int nMade = 0;
    for (PictureEntry& e : entries)
    {
        if (e.hbmThumb)
        {
            ++nMade;
            DeleteObject(e.hbmThumb);
            e.hbmThumb = NULL;
        }
    }
    return nMade;
}

// The reduced decodes alone, as the worker asks for them: the share of the
// cold figure that is the decoder's.
double DecodeAllMs(CImageDecoder* pDecoder, const std::vector<PictureEntry>& entries, const std::wstring& folder)
{
    const double t0 = NowMs();
    for (const PictureEntry& e : entries)
    {
        DecodeOptions options = {};
        options.flags = DECODE_REDUCE | DECODE_SIZE_TEST;
        options.type = e.nType;
        options.reduceMode = 1;
        HBITMAP hbm = pDecoder->LoadNow((folder + e.szName).c_str(), &options);
        if (hbm)
            DeleteObject(hbm);
    }
    return NowMs() - t0;
}

// Last-write times of the thumbnail files: a warm pass that had to decode a
// picture again would rewrite its file.
std::vector<ULONGLONG> ThumbFileTimes(const std::wstring& thumbs)
{
    std::vector<ULONGLONG> times;
    ForEachFile(thumbs + L"\\pvx*.pvx", [&times](const WIN32_FIND_DATAW& fd) {
        times.push_back(static_cast<ULONGLONG>(fd.ftLastWriteTime.dwHighDateTime) << 32 |
                        fd.ftLastWriteTime.dwLowDateTime);
    });
    std::sort(times.begin(), times.end());
    return times;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
    {
        fprintf(stderr, "usage: thumb_bench PICTURES THUMBS [RUNS]\n");
        return 2;
    }
    std::wstring pictures = argv[1], thumbs = argv[2];
    const int nRuns = argc > 3 ? std::max(1, _wtoi(argv[3])) : 5;
    if (pictures.back() != L'\\')
        pictures += L'\\';
    if (thumbs.back() == L'\\')
        thumbs.pop_back();
    CreateDirectoryW(thumbs.c_str(), NULL);

    SetStringSetting(SZ_THUMBNAIL_FOLDER, thumbs.c_str());
    CImageDecoder decoder;
    MainWindowData data = {};
    data.pDecoder = &decoder;
    GetThumbnailFolder(data.szThumbnailFolder);
    SetMainWindowData(&data);

    std::vector<PictureEntry> entries = ListPictures(pictures);
    if (entries.empty())
    {
        fprintf(stderr, "no pictures in %ls\n", pictures.c_str());
        return 1;
    }

    std::vector<double> cold, warm, load, decode;
    int nColdMade = 0, nWarmMade = 0;
    LONG nSlotsAfterCold = 0, nSlotsAfterWarm = 0;
    bool bWarmRewrote = false;
    for (int run = 0; run < nRuns; ++run)
    {
        OpenThumbIndex();
        ClearThumbCache(); // an empty thumbnail folder: every picture is decoded
        double ms = 0;
        nColdMade = MakeAll(&decoder, entries, pictures, &ms);
        cold.push_back(ms);
        nSlotsAfterCold = GetHighestThumbSlot();
        const std::vector<ULONGLONG> written = ThumbFileTimes(thumbs);

        // A new start: the index is read again, then the list comes from it.
        CloseThumbIndex();
        const double t0 = NowMs();
        OpenThumbIndex();
        load.push_back(NowMs() - t0);
        nWarmMade = MakeAll(&decoder, entries, pictures, &ms);
        warm.push_back(ms);
        nSlotsAfterWarm = GetHighestThumbSlot();
        bWarmRewrote = bWarmRewrote || ThumbFileTimes(thumbs) != written;
        CloseThumbIndex();
        decode.push_back(DecodeAllMs(&decoder, entries, pictures));
    }
    SetMainWindowData(NULL);

    const double n = static_cast<double>(entries.size());
    printf("pictures %d\n", static_cast<int>(entries.size()));
    printf("runs %d\n", nRuns);
    printf("cold_made %d\n", nColdMade);
    printf("cold_cached %ld\n", static_cast<long>(nSlotsAfterCold));
    printf("cold_ms %.1f\n", Median(cold));
    printf("cold_per_s %.2f\n", 1000.0 * n / Median(cold));
    printf("cold_decode_only_ms %.1f\n", Median(decode));
    printf("warm_made %d\n", nWarmMade);
    // No new record and no rewritten file in the warm pass: every thumbnail
    // came from the cache.
    printf("warm_new_records %ld\n", static_cast<long>(nSlotsAfterWarm - nSlotsAfterCold));
    printf("warm_rewrote_files %d\n", bWarmRewrote ? 1 : 0);
    printf("index_load_ms %.2f\n", Median(load));
    printf("warm_ms %.1f\n", Median(warm));
    printf("warm_per_s %.2f\n", 1000.0 * n / Median(warm));
    return 0;
}
