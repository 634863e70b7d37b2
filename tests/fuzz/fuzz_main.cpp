// The fuzz driver: mutates the seeds of every reader of a file or a stored
// value and runs each input in-process under a watchdog, counting
// executions, crashes, hangs, wrong results, leaks and the peak memory.
//
//   fuzz_driver [--seed N] [--start I] [--count N] [--seconds S]
//               [--targets jpeg,bmp,...] [--out FOLDER]
//               [--trace-growth KIB]   (names each input that keeps more)
//   fuzz_driver --replay FILE-OR-FOLDER [--out FOLDER]
//
// Input I of seed N is always the same bytes, so "--seed N --start I
// --count 1" makes it again. The exit code is 0 when nothing was found.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/fuzz_watch.h"
#include "tests/stress/process_counters.h"

namespace {

// Counters are read before the first input and after every this many.
const unsigned kWindow = 1000;
// Growth allowed from the first window's end (the warm-up: codecs, tables
// and caches that live for the process are made then) to the run's end.
// GDI objects and handles have no reason to grow at all; the few handles
// allow for Wine's own lazily opened files and keys. Private bytes of the
// other targets come back to the byte after the warm-up, so 8 MiB leaves
// room for heap fragmentation and still catches a leak of 100 bytes an
// input within an hour's runs. What Wine's GIF decoder keeps of each GIF it
// refuses (about a byte a pixel of the frame it was reading) is counted
// apart and reported, not charged: that code is not ours, and the failure
// path it leaves through is the PNG route's, which is charged.
const long kGdiTolerance = 0;
const long kHandleTolerance = 4;
const long long kPrivateTolerance = 8ll << 20;
// Regression files run twice: the first run makes what lives for the
// process, the second must leave the GDI objects and handles as they were
// and keep no more than a few pages.
const long long kReplayKeptLimit = 32 << 10;

struct Options
{
    unsigned long long nSeed = 1, nStart = 0, nCount = 0;
    double dSeconds = 0;
    std::wstring targets, out = L"fuzz-out", replay;
    long long cbTraceGrowth = 0; // report inputs that keep more private bytes than this
};

// A chosen target with its seeds and figures.
struct TargetRun
{
    const FuzzTarget* pTarget;
    std::vector<FuzzBytes> seeds;
    unsigned long long nRuns;
    DWORD dwSlowestMs;
    long long cbKept; // private bytes the inputs left behind, summed
};

Options g_options;
// Private bytes kept by inputs that Wine's GIF decoder refused.
long long g_cbKeptByWicGif = 0;

double MiB(long long cb)
{
    return cb / 1048576.0;
}

bool ParseOptions(int argc, wchar_t** argv, Options* p)
{
    for (int i = 1; i + 1 < argc; i += 2)
    {
        const std::wstring arg = argv[i];
        const wchar_t* pszValue = argv[i + 1];
        std::wstring* pText = arg == L"--targets" ? &p->targets : arg == L"--out" ? &p->out
                            : arg == L"--replay" ? &p->replay : NULL;
        unsigned long long* pNumber = arg == L"--seed" ? &p->nSeed : arg == L"--start" ? &p->nStart
                                    : arg == L"--count" ? &p->nCount : NULL;
        if (pText)
            *pText = pszValue;
        else if (pNumber)
            *pNumber = wcstoull(pszValue, NULL, 10);
        else if (arg == L"--seconds")
            p->dSeconds = wcstod(pszValue, NULL);
        else if (arg == L"--trace-growth")
            p->cbTraceGrowth = static_cast<long long>(wcstoull(pszValue, NULL, 10) << 10);
        else
            return false;
    }
    return argc % 2 == 1;
}

bool Wanted(const char* pszName)
{
    const std::wstring name(pszName, pszName + strlen(pszName));
    return g_options.targets.empty() || (L"," + g_options.targets + L",").find(L"," + name + L",") != std::wstring::npos;
}

ProcessCounters PrintCounters(const char* pszWhen, unsigned long long nDone)
{
    const ProcessCounters c = ReadProcessCounters(GetCurrentProcess());
    printf("FUZZ-SAMPLE %s after %llu inputs: GDI objects %ld, handles %ld, private %.1f MiB, peak working set %.1f MiB\n",
           pszWhen, nDone, c.nGdiObjects, c.nHandles, MiB(c.cbPrivate), MiB(c.cbPeakWorkingSet));
    return c;
}

// One input under the watchdog; false when its result was wrong (saved).
bool RunOne(FuzzContext* pCtx, TargetRun* pRun, const FuzzBytes& data, int nSeed, const char* pszName)
{
    pCtx->szWrong[0] = 0;
    pCtx->bWicRefusedGif = false;
    const long long cbBefore = ReadPrivateBytes(GetCurrentProcess());
    BeginInput(pszName, pRun->pTarget->pszExt, &data);
    const bool bRight = pRun->pTarget->pfnRun(pCtx, *pRun->pTarget, data, nSeed);
    if (!bRight)
    {
        printf("FUZZ-WRONG %s: %s\n", pszName, pCtx->szWrong);
        SaveCurrentInput("wrong");
    }
    const long long cbKept = ReadPrivateBytes(GetCurrentProcess()) - cbBefore;
    pRun->cbKept += cbKept;
    if (pCtx->bWicRefusedGif)
        g_cbKeptByWicGif += cbKept;
    if (g_options.cbTraceGrowth && cbKept > g_options.cbTraceGrowth)
    {
        printf("FUZZ-KEPT %s kept %.1f MiB of private bytes\n", pszName, MiB(cbKept));
        SaveCurrentInput("kept");
    }
    ++pRun->nRuns;
    pRun->dwSlowestMs = std::max(pRun->dwSlowestMs, EndInput());
    return bRight;
}

// Regression files are named "<target>-<what>.<ext>"; a folder is replayed
// file by file, its README left out.
int Replay(FuzzContext* pCtx, std::vector<TargetRun>& runs, const std::wstring& path)
{
    const DWORD dwAttr = GetFileAttributesW(path.c_str());
    const bool bFolder = dwAttr != INVALID_FILE_ATTRIBUTES && (dwAttr & FILE_ATTRIBUTE_DIRECTORY);
    const std::wstring folder = bFolder ? path + L"\\" : path.substr(0, path.find_last_of(L"\\/") + 1);
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(bFolder ? (folder + L"*").c_str() : path.c_str(), &fd);
    for (BOOL bMore = hFind != INVALID_HANDLE_VALUE; bMore; bMore = FindNextFileW(hFind, &fd))
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != L'.' &&
            _wcsicmp(fd.cFileName, L"README.md") != 0)
            files.push_back(folder + fd.cFileName);
    if (hFind != INVALID_HANDLE_VALUE)
        FindClose(hFind);
    std::sort(files.begin(), files.end());
    if (files.empty())
    {
        printf("FUZZ-ERROR no regression files in %ls\n", path.c_str());
        return 2;
    }
    unsigned nFailed = 0;
    DWORD dwSlowest = 0;
    for (const std::wstring& file : files)
    {
        const std::wstring name = file.substr(file.find_last_of(L"\\/") + 1);
        char szName[96];
        snprintf(szName, sizeof(szName), "%ls", name.substr(0, name.find_last_of(L'.')).c_str());
        TargetRun* pRun = NULL;
        for (TargetRun& run : runs)
            if (strncmp(szName, run.pTarget->pszName, strlen(run.pTarget->pszName)) == 0 &&
                szName[strlen(run.pTarget->pszName)] == '-')
                pRun = &run;
        if (!pRun)
        {
            printf("FUZZ-ERROR %ls names no target\n", name.c_str());
            return 2;
        }
        const std::string bytes = ReadWholeFile(file);
        const FuzzBytes data(bytes.begin(), bytes.end());
        const LONG nHangsBefore = g_watch.nHangs;
        bool bRight = RunOne(pCtx, pRun, data, -1, szName);
        const ProcessCounters before = ReadProcessCounters(GetCurrentProcess());
        const long long cbKeptBefore = pRun->cbKept;
        bRight = RunOne(pCtx, pRun, data, -1, szName) && bRight;
        const ProcessCounters after = ReadProcessCounters(GetCurrentProcess());
        const long long cbKept = pRun->cbKept - cbKeptBefore;
        const bool bLeak = after.nGdiObjects != before.nGdiObjects || after.nHandles != before.nHandles ||
                           cbKept > kReplayKeptLimit;
        const bool bHang = g_watch.nHangs != nHangsBefore;
        nFailed += !bRight || bLeak || bHang;
        dwSlowest = std::max(dwSlowest, pRun->dwSlowestMs);
        printf("FUZZ-REPLAY %ls: %s (again: GDI objects %+ld, handles %+ld, private bytes kept %+lld)\n", name.c_str(),
               !bRight ? "wrong result" : bHang ? "hang" : bLeak ? "leak" : "ok",
               after.nGdiObjects - before.nGdiObjects, after.nHandles - before.nHandles, cbKept);
    }
    printf("FUZZ-SUMMARY replayed %u files: failed %u, slowest call %lu ms of processor time\n",
           static_cast<unsigned>(files.size()), nFailed, dwSlowest);
    return nFailed ? 1 : 0;
}

// Seeds first, then mutated inputs until the count or the time is used up;
// prints the figures. 0 when nothing was found.
int Campaign(FuzzContext* pCtx, std::vector<TargetRun>& runs)
{
    const Options& options = g_options;
    int nExit = 0;
    // Every seed unchanged first: each must give its known result, or the
    // driver tests nothing.
    for (TargetRun& run : runs)
        for (size_t s = 0; s < run.seeds.size(); ++s)
        {
            char szName[96];
            snprintf(szName, sizeof(szName), "%s-seed%u", run.pTarget->pszName, static_cast<unsigned>(s));
            if (!RunOne(pCtx, &run, run.seeds[s], static_cast<int>(s), szName))
            {
                printf("FUZZ-ERROR seed %s does not give its known result\n", szName);
                nExit = 2;
            }
        }
    // The system's wait cursor is made on its first use and kept by the
    // process (two bitmaps); the viewer shows it at start-up, and a cleared
    // thumbnail cache shows it here.
    SetCursor(LoadCursorW(NULL, IDC_WAIT));
    SetCursor(LoadCursorW(NULL, IDC_ARROW));
    const ProcessCounters start = PrintCounters("start", 0);
    ProcessCounters warm = start, last = start;
    long long cbWicGifAtWarm = g_cbKeptByWicGif;
    unsigned long long nDone = 0, nWrong = 0;
    DWORD dwSlowest = 0;
    char szSlowest[96] = "";
    const ULONGLONG qwBegin = GetTickCount64();
    const ULONGLONG qwLimit = static_cast<ULONGLONG>(options.dSeconds * 1000);
    unsigned long long i = options.nStart;
    for (; nExit == 0; ++i)
    {
        if ((options.nCount && nDone >= options.nCount) || (qwLimit && GetTickCount64() - qwBegin >= qwLimit) ||
            (!options.nCount && !qwLimit && nDone >= kWindow))
            break;
        SeededRandom random = SeededRandom::ForInput(options.nSeed, i);
        TargetRun& run = runs[static_cast<size_t>(i % runs.size())];
        char szWhat[128], szName[96];
        const size_t nSeed = random.Below(static_cast<uint32_t>(run.seeds.size()));
        const FuzzBytes data = MutateSeed(run.seeds, nSeed, run.pTarget->format, &random, szWhat, sizeof(szWhat));
        snprintf(szName, sizeof(szName), "%s-s%llu-i%llu", run.pTarget->pszName, options.nSeed, i);
        if (!RunOne(pCtx, &run, data, -1, szName))
        {
            ++nWrong;
            printf("FUZZ-WRONG-MUTATION %s: %s\n", szName, szWhat);
        }
        if (run.dwSlowestMs > dwSlowest)
        {
            dwSlowest = run.dwSlowestMs;
            snprintf(szSlowest, sizeof(szSlowest), "%s (%s)", szName, szWhat);
        }
        if (++nDone % kWindow)
            continue;
        const ProcessCounters now = PrintCounters(nDone == kWindow ? "warm" : "window", nDone);
        if (nDone == kWindow)
        {
            warm = now;
            cbWicGifAtWarm = g_cbKeptByWicGif;
        }
        else if (now.nGdiObjects > last.nGdiObjects || now.nHandles > last.nHandles)
            printf("FUZZ-GROWTH in inputs %llu..%llu: GDI objects %ld -> %ld, handles %ld -> %ld\n", i + 1 - kWindow,
                   i, last.nGdiObjects, now.nGdiObjects, last.nHandles, now.nHandles);
        last = now;
    }
    const double dSeconds = (GetTickCount64() - qwBegin) / 1000.0;
    const ProcessCounters end = PrintCounters("end", nDone);
    const long long cbPrivateGrowth = end.cbPrivate - warm.cbPrivate;
    const long long cbWicGif = g_cbKeptByWicGif - cbWicGifAtWarm;
    const bool bLeak = end.nGdiObjects - warm.nGdiObjects > kGdiTolerance ||
                       end.nHandles - warm.nHandles > kHandleTolerance ||
                       cbPrivateGrowth - cbWicGif > kPrivateTolerance;
    for (const TargetRun& run : runs)
        printf("FUZZ-TARGET %-8s %llu inputs, slowest call %lu ms of processor time, private bytes kept %+.1f MiB\n",
               run.pTarget->pszName, run.nRuns, run.dwSlowestMs, MiB(run.cbKept));
    printf("FUZZ-SUMMARY seed %llu, inputs %llu..%llu: executions %llu in %.1f s (%.0f/s), crashes 0, hangs %ld,"
           " wrong results %llu\n",
           options.nSeed, options.nStart, i ? i - 1 : 0, nDone, dSeconds, dSeconds > 0 ? nDone / dSeconds : 0.0,
           g_watch.nHangs, nWrong);
    printf("FUZZ-SUMMARY GDI objects start %ld, warm %ld, end %ld; handles start %ld, warm %ld, end %ld;"
           " private bytes start %.1f MiB, warm %.1f MiB, end %.1f MiB (%s)\n",
           start.nGdiObjects, warm.nGdiObjects, end.nGdiObjects, start.nHandles, warm.nHandles, end.nHandles,
           MiB(start.cbPrivate), MiB(warm.cbPrivate), MiB(end.cbPrivate), bLeak ? "GROWTH" : "no growth");
    printf("FUZZ-SUMMARY private bytes after the warm-up: %+.1f MiB, of which %.1f MiB kept by Wine's GIF decoder"
           " on GIFs it refused; charged %+.1f MiB (tolerance %.0f MiB)\n",
           MiB(cbPrivateGrowth), MiB(cbWicGif), MiB(cbPrivateGrowth - cbWicGif), MiB(kPrivateTolerance));
    // The peak counts everything resident: the program, Wine and the
    // largest picture with the decoder's working memory.
    printf("FUZZ-SUMMARY peak working set %.1f MiB (%.1f MiB at the start, +%.1f MiB); largest bitmap %.1f MiB;"
           " picture budget %.0f MiB\n",
           MiB(end.cbPeakWorkingSet), MiB(start.cbPeakWorkingSet),
           MiB(std::max(0ll, end.cbPeakWorkingSet - start.cbPeakWorkingSet)),
           MiB(static_cast<long long>(pCtx->cbLargestBitmap)), MiB(static_cast<long long>(pCtx->cbBudget)));
    printf("FUZZ-SUMMARY slowest call %lu ms of processor time: %s; slowest on the clock %lu ms\n", dwSlowest,
           szSlowest, g_watch.dwSlowestWallMs);
    printf("FUZZ-NEXT %llu\n", i);
    if (nExit == 0 && (g_watch.nHangs || nWrong || bLeak || pCtx->cbLargestBitmap > pCtx->cbBudget))
        nExit = 1;
    return nExit;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    setvbuf(stdout, NULL, _IOLBF, 4096);
    if (!ParseOptions(argc, argv, &g_options))
    {
        printf("usage: fuzz_driver [--seed N] [--start I] [--count N] [--seconds S] [--targets a,b] [--out DIR]"
               " [--trace-growth KIB] | --replay PATH\n");
        return 2;
    }
    char szWhy[256];
    if (!ProveCounters(szWhy, sizeof(szWhy)))
    {
        printf("FUZZ-ERROR the leak counters cannot be trusted: %s\n", szWhy);
        return 2;
    }
    std::vector<TargetRun> runs;
    for (size_t t = 0; t < g_nFuzzTargets; ++t)
    {
        const FuzzTarget& target = g_rgFuzzTargets[t];
        if (g_options.replay.empty() && !Wanted(target.pszName))
            continue;
        runs.push_back({&target, target.pfnSeeds ? target.pfnSeeds() : std::vector<FuzzBytes>(), 0, 0, 0});
        for (const wchar_t* pszFixture : target.fixtures)
        {
            const std::string data = ReadWholeFile(std::wstring(OMBRIX_FIXTURE_DIR) + pszFixture);
            if (!data.empty())
                runs.back().seeds.emplace_back(data.begin(), data.end());
        }
        if (runs.back().seeds.empty() || runs.back().seeds.size() < target.fixtures.size())
        {
            printf("FUZZ-ERROR no seeds for %s (fixtures in %ls)\n", target.pszName, OMBRIX_FIXTURE_DIR);
            return 2;
        }
    }
    FuzzContext* pCtx = runs.empty() ? NULL : new (std::nothrow) FuzzContext();
    if (!pCtx || !PrepareContext(pCtx) || !StartWatch(g_options.out))
    {
        printf("FUZZ-ERROR no target chosen, the scratch folder cannot be made or the watchdog did not start\n");
        CleanContext();
        delete pCtx;
        return 2;
    }
    printf("FUZZ-START seed %llu, first input %llu, %s; budget %.0f MiB; %s\n", g_options.nSeed, g_options.nStart,
           g_options.nCount ? "counted" : "timed", MiB(static_cast<long long>(pCtx->cbBudget)), CounterMethods());
    const int nExit = g_options.replay.empty() ? Campaign(pCtx, runs) : Replay(pCtx, runs, g_options.replay);
    fflush(stdout);
    CleanContext();
    StopWatch();
    delete pCtx;
    return nExit;
}
