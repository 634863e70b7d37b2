// Thumbnail figures (printed, never a timed test):
//   thumb_bench PICTURES THUMBS [RUNS]
// Makes the thumbnails of every picture of PICTURES (JPEGs, or the WebP and
// HEIC folders of bench/modern_formats) the way the thumbnail worker
// does (MakeThumbnail on the main window record's decoder), with THUMBS as
// the THUMBNAIL_FOLDER setting:
//   cold: THUMBS emptied first, so each picture is decoded at reduced size,
//         fitted, resampled and written to the cache;
//   warm: the same list again after the index is reopened, read from the
//         cache.
// Baseline and progressive pictures are timed apart as well as together.
// Prints medians of RUNS runs as "name value" lines for bench/thumbs.
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
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/view/resample_kernels.h"

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

enum Kind { KIND_BASELINE, KIND_PROGRESSIVE, KIND_COUNT };
const char* const kKindNames[KIND_COUNT] = {"baseline", "progressive"};

// Baseline or progressive, from the frame marker; the markers before it are
// skipped by their lengths.
Kind KindOfJpeg(const std::wstring& path)
{
    Kind kind = KIND_BASELINE;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return kind;
    int c;
    while ((c = fgetc(f)) != EOF)
    {
        if (c != 0xFF)
            continue;
        const int marker = fgetc(f);
        if (marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE)
        {
            kind = KIND_PROGRESSIVE;
            break;
        }
        if ((marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) ||
            marker == 0xDA || marker == EOF)
            break;
        if (marker == 0xD8 || marker == 0xFF || marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        const int hi = fgetc(f), lo = fgetc(f);
        if (lo == EOF || fseek(f, (hi << 8 | lo) - 2, SEEK_CUR) != 0)
            break;
    }
    fclose(f);
    return kind;
}

struct Listed
{
    std::vector<PictureEntry> entries;
    std::vector<Kind> kinds; // one per entry
};

// The folder's JPEGs as the file list lists them, with their kinds.
Listed ListPictures(const std::wstring& folder)
{
    Listed listed;
    std::vector<PictureEntry>& entries = listed.entries;
    ForEachFile(folder + L"*.*", [&](const WIN32_FIND_DATAW& fd) {
        if (CImageDecoder::TypeFromExtension(fd.cFileName) == PICTYPE_UNKNOWN)
            return;
        entries.push_back(EntryFromFind(fd));
        listed.kinds.push_back(KindOfJpeg(folder + fd.cFileName));
    });
    return listed;
}

// Milliseconds of one pass: all, and per kind.
struct PassMs
{
    double all;
    double kind[KIND_COUNT];
};

// Medians of each figure over the runs.
PassMs MedianPass(const std::vector<PassMs>& runs)
{
    PassMs m = {};
    std::vector<double> v;
    for (const PassMs& r : runs)
        v.push_back(r.all);
    m.all = Median(v);
    for (int k = 0; k < KIND_COUNT; ++k)
    {
        v.clear();
        for (const PassMs& r : runs)
            v.push_back(r.kind[k]);
        m.kind[k] = Median(v);
    }
    return m;
}

void PrintPass(const char* pszName, const PassMs& ms)
{
    printf("%s_ms %.1f\n", pszName, ms.all);
    for (int k = 0; k < KIND_COUNT; ++k)
        printf("%s_%s_ms %.1f\n", pszName, kKindNames[k], ms.kind[k]);
}

// One pass over the list, each picture timed on its own; the number of
// thumbnails made.
int MakeAll(CImageDecoder* pDecoder, Listed& listed, const std::wstring& folder, PassMs* pMs)
{
    std::vector<PictureEntry>& entries = listed.entries;
    g_nResampleAbort = 0; // as the worker does when it starts
    *pMs = {};
    const double t0 = NowMs();
    for (size_t i = 0; i < entries.size(); ++i)
    {
        const double t = NowMs();
        MakeThumbnail(pDecoder, &entries[i], folder.c_str());
        pMs->kind[listed.kinds[i]] += NowMs() - t;
    }
    pMs->all = NowMs() - t0;
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
PassMs DecodeAll(CImageDecoder* pDecoder, const Listed& listed, const std::wstring& folder)
{
    PassMs ms = {};
    const double t0 = NowMs();
    for (size_t i = 0; i < listed.entries.size(); ++i)
    {
        const PictureEntry& e = listed.entries[i];
        const double t = NowMs();
        DecodeOptions options = {};
        options.flags = DECODE_REDUCE | DECODE_SIZE_TEST;
        options.type = e.nType;
        options.reduceMode = 1;
        HBITMAP hbm = pDecoder->LoadNow((folder + e.szName).c_str(), &options);
        if (hbm)
            DeleteObject(hbm);
        ms.kind[listed.kinds[i]] += NowMs() - t;
    }
    ms.all = NowMs() - t0;
    return ms;
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
    CImageDecoder decoder;
    MainWindowData data;
    UseThumbnailFolder(&thumbs, &decoder, &data);

    Listed listed = ListPictures(pictures);
    if (listed.entries.empty())
    {
        fprintf(stderr, "no pictures in %ls\n", pictures.c_str());
        return 1;
    }

    std::vector<PassMs> cold, warm, decode;
    std::vector<double> load;
    int nColdMade = 0, nWarmMade = 0;
    LONG nSlotsAfterCold = 0, nSlotsAfterWarm = 0;
    bool bWarmRewrote = false;
    for (int run = 0; run < nRuns; ++run)
    {
        OpenThumbIndex();
        ClearThumbCache(); // an empty thumbnail folder: every picture is decoded
        PassMs ms = {};
        nColdMade = MakeAll(&decoder, listed, pictures, &ms);
        cold.push_back(ms);
        nSlotsAfterCold = GetHighestThumbSlot();
        const std::vector<ULONGLONG> written = ThumbFileTimes(thumbs);

        // A new start: the index is read again, then the list comes from it.
        CloseThumbIndex();
        const double t0 = NowMs();
        OpenThumbIndex();
        load.push_back(NowMs() - t0);
        nWarmMade = MakeAll(&decoder, listed, pictures, &ms);
        warm.push_back(ms);
        nSlotsAfterWarm = GetHighestThumbSlot();
        bWarmRewrote = bWarmRewrote || ThumbFileTimes(thumbs) != written;
        CloseThumbIndex();
        decode.push_back(DecodeAll(&decoder, listed, pictures));
    }
    SetMainWindowData(NULL);

    int nOfKind[KIND_COUNT] = {};
    for (Kind k : listed.kinds)
        ++nOfKind[k];
    printf("pictures %d\n", static_cast<int>(listed.entries.size()));
    for (int k = 0; k < KIND_COUNT; ++k)
        printf("pictures_%s %d\n", kKindNames[k], nOfKind[k]);
    printf("runs %d\n", nRuns);
    printf("cold_made %d\n", nColdMade);
    printf("cold_cached %ld\n", static_cast<long>(nSlotsAfterCold));
    PrintPass("cold", MedianPass(cold));
    PrintPass("cold_decode_only", MedianPass(decode));
    printf("warm_made %d\n", nWarmMade);
    // No new record and no rewritten file in the warm pass: every thumbnail
    // came from the cache.
    printf("warm_new_records %ld\n", static_cast<long>(nSlotsAfterWarm - nSlotsAfterCold));
    printf("warm_rewrote_files %d\n", bWarmRewrote ? 1 : 0);
    printf("index_load_ms %.2f\n", Median(load));
    PrintPass("warm", MedianPass(warm));
    return 0;
}
