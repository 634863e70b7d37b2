// The fuzz driver: mutates the seeds of every reader of a file or a stored
// value and runs each input in-process under a watchdog, counting
// executions, crashes, hangs, wrong results, leaks and the peak memory.
//
//   fuzz_driver [--seed N] [--start I] [--count N] [--seconds S]
//               [--targets jpeg,bmp,...] [--out FOLDER] [--fixtures FOLDER]
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

#include "tests/extras/temp_folder.h"
#include "tests/fuzz/fuzz_counters.h"
#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/fuzz_watch.h"

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
const DWORD kGdiTolerance = 0;
const DWORD kHandleTolerance = 4;
const unsigned long long kPrivateTolerance = 8ull << 20;

struct Options
{
    unsigned long long nSeed = 1;
    unsigned long long nStart = 0;
    unsigned long long nCount = 0;
    double dSeconds = 0;
    std::string targets;
    std::wstring out = L"fuzz-out";
    std::wstring fixtures;
    std::wstring replay;
    unsigned long long cbTraceGrowth = 0;   // report inputs that keep more private bytes than this
};

struct TargetStats
{
    unsigned long long nRuns = 0;
    DWORD dwSlowestMs = 0;
    long long cbKept = 0;          // private bytes the inputs left behind, summed
};

// Private bytes kept by inputs that Wine's GIF decoder refused.
long long g_cbKeptByWicGif = 0;

double MiB(unsigned long long cb)
{
    return cb / 1048576.0;
}

bool ParseOptions(int argc, wchar_t** argv, Options* pOptions)
{
#if defined(OMBRIX_FIXTURE_DIR)
    pOptions->fixtures = OMBRIX_FIXTURE_DIR;
#endif
    for (int i = 1; i < argc; ++i)
    {
        const std::wstring arg = argv[i];
        if (i + 1 >= argc)
            return false;
        const wchar_t* pszValue = argv[++i];
        if (arg == L"--seed")
            pOptions->nSeed = wcstoull(pszValue, NULL, 10);
        else if (arg == L"--start")
            pOptions->nStart = wcstoull(pszValue, NULL, 10);
        else if (arg == L"--count")
            pOptions->nCount = wcstoull(pszValue, NULL, 10);
        else if (arg == L"--seconds")
            pOptions->dSeconds = wcstod(pszValue, NULL);
        else if (arg == L"--targets")
            for (const wchar_t* p = pszValue; *p; ++p)
                pOptions->targets += static_cast<char>(*p);
        else if (arg == L"--out")
            pOptions->out = pszValue;
        else if (arg == L"--fixtures")
            pOptions->fixtures = pszValue;
        else if (arg == L"--replay")
            pOptions->replay = pszValue;
        else if (arg == L"--trace-growth")
            pOptions->cbTraceGrowth = wcstoull(pszValue, NULL, 10) << 10;
        else
            return false;
    }
    if (!pOptions->fixtures.empty() && pOptions->fixtures.back() != L'\\' && pOptions->fixtures.back() != L'/')
        pOptions->fixtures += L'\\';
    return true;
}

bool Wanted(const Options& options, const char* pszName)
{
    if (options.targets.empty())
        return true;
    const std::string list = "," + options.targets + ",";
    return list.find("," + std::string(pszName) + ",") != std::string::npos;
}

void PrintCounters(const char* pszWhen, unsigned long long nDone, const FuzzCounters& c)
{
    printf("FUZZ-SAMPLE %s after %llu inputs: GDI objects %lu, handles %lu, private %.1f MiB, peak working set %.1f MiB\n",
           pszWhen, nDone, c.nGdiObjects, c.nHandles, MiB(c.cbPrivate), MiB(c.cbPeakWorkingSet));
    fflush(stdout);
}

// One input under the watchdog; false when its result was wrong (saved).
unsigned long long g_cbTraceGrowth = 0;

bool RunOne(FuzzContext* pCtx, const FuzzTarget& target, const FuzzBytes& data, int nSeed, const char* pszName,
            TargetStats* pStats)
{
    pCtx->szWrong[0] = 0;
    pCtx->bWicRefusedGif = false;
    const unsigned long long cbBefore = ReadPrivateBytes();
    BeginInput(pszName, target.pszExt, &data);
    const bool bRight = target.pfnRun(pCtx, data, nSeed);
    if (!bRight)
    {
        printf("FUZZ-WRONG %s: %s\n", pszName, pCtx->szWrong);
        SaveCurrentInput("wrong");
    }
    const unsigned long long cbAfter = ReadPrivateBytes();
    const long long cbKept = static_cast<long long>(cbAfter) - static_cast<long long>(cbBefore);
    pStats->cbKept += cbKept;
    if (pCtx->bWicRefusedGif)
        g_cbKeptByWicGif += cbKept;
    if (g_cbTraceGrowth && cbKept > static_cast<long long>(g_cbTraceGrowth))
    {
        printf("FUZZ-KEPT %s kept %.1f MiB of private bytes\n", pszName, MiB(cbKept));
        SaveCurrentInput("kept");
    }
    const DWORD dwMs = EndInput();
    ++pStats->nRuns;
    pStats->dwSlowestMs = std::max(pStats->dwSlowestMs, dwMs);
    return bRight;
}

std::vector<std::wstring> ReplayFiles(const std::wstring& path)
{
    std::vector<std::wstring> files;
    const DWORD dwAttr = GetFileAttributesW(path.c_str());
    if (dwAttr == INVALID_FILE_ATTRIBUTES)
        return files;
    if (!(dwAttr & FILE_ATTRIBUTE_DIRECTORY))
    {
        files.push_back(path);
        return files;
    }
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return files;
    do
    {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != L'.' &&
            _wcsicmp(fd.cFileName, L"README.md") != 0)
            files.push_back(path + L"\\" + fd.cFileName);
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
    std::sort(files.begin(), files.end());
    return files;
}

// Regression files are named "<target>-<what>.<ext>". Each runs twice: the
// first run makes what lives for the process, the second must leave the
// GDI objects and handles as they were and keep no more than a few pages.
const long long kReplayKeptLimit = 32 << 10;

int Replay(FuzzContext* pCtx, const std::vector<FuzzTarget>& targets, const std::wstring& path)
{
    const std::vector<std::wstring> files = ReplayFiles(path);
    if (files.empty())
    {
        printf("FUZZ-ERROR no regression files in %ls\n", path.c_str());
        return 2;
    }
    unsigned nFailed = 0;
    TargetStats stats;
    for (const std::wstring& file : files)
    {
        const size_t nSlash = file.find_last_of(L"\\/");
        const std::wstring name = file.substr(nSlash + 1);
        const FuzzTarget* pTarget = NULL;
        for (const FuzzTarget& t : targets)
            if (name.compare(0, strlen(t.pszName) + 1, std::wstring(t.pszName, t.pszName + strlen(t.pszName)) + L"-") == 0)
                pTarget = &t;
        if (!pTarget)
        {
            printf("FUZZ-ERROR %ls names no target\n", name.c_str());
            return 2;
        }
        const std::string bytes = ReadWholeFile(file);
        const FuzzBytes data(bytes.begin(), bytes.end());
        char szName[96];
        snprintf(szName, sizeof(szName), "%ls", name.substr(0, name.find_last_of(L'.')).c_str());
        const LONG nHangsBefore = HangCount();
        bool bRight = RunOne(pCtx, *pTarget, data, -1, szName, &stats);
        const FuzzCounters before = ReadCounters();
        const long long cbKeptBefore = stats.cbKept;
        bRight = RunOne(pCtx, *pTarget, data, -1, szName, &stats) && bRight;
        const FuzzCounters after = ReadCounters();
        const long long cbKept = stats.cbKept - cbKeptBefore;
        const bool bLeak = after.nGdiObjects != before.nGdiObjects || after.nHandles != before.nHandles ||
                           cbKept > kReplayKeptLimit;
        const bool bHang = HangCount() != nHangsBefore;
        nFailed += !bRight || bLeak || bHang;
        printf("FUZZ-REPLAY %ls: %s (again: GDI objects %+ld, handles %+ld, private bytes kept %+lld)\n", name.c_str(),
               !bRight ? "wrong result" : bHang ? "hang" : bLeak ? "leak" : "ok",
               static_cast<long>(after.nGdiObjects) - static_cast<long>(before.nGdiObjects),
               static_cast<long>(after.nHandles) - static_cast<long>(before.nHandles), cbKept);
    }
    printf("FUZZ-SUMMARY replayed %u files: failed %u, slowest call %lu ms of processor time\n", static_cast<unsigned>(files.size()), nFailed,
           stats.dwSlowestMs);
    return nFailed ? 1 : 0;
}

// Seeds first, then mutated inputs until the count or the time is used up;
// prints the figures. 0 when nothing was found.
int Campaign(FuzzContext* pCtx, const std::vector<FuzzTarget>& targets, const Options& options)
{
    int nExit = 0;
    std::vector<TargetStats> stats(targets.size());
    // Every seed unchanged first: each must give its known result, or the
    // driver tests nothing.
    for (size_t t = 0; t < targets.size(); ++t)
        for (size_t s = 0; s < targets[t].seeds.size(); ++s)
        {
            char szName[96];
            snprintf(szName, sizeof(szName), "%s-seed%u", targets[t].pszName, static_cast<unsigned>(s));
            if (!RunOne(pCtx, targets[t], targets[t].seeds[s], static_cast<int>(s), szName, &stats[t]))
            {
                printf("FUZZ-ERROR seed %s does not give its known result\n", szName);
                nExit = 2;
            }
        }
    const FuzzCounters start = ReadCounters();
    PrintCounters("start", 0, start);
    FuzzCounters warm = start, last = start;
    long long cbWicGifAtWarm = g_cbKeptByWicGif;
    unsigned long long nDone = 0, nWrong = 0;
    DWORD dwSlowest = 0;
    char szSlowest[96] = "";
    const ULONGLONG qwBegin = GetTickCount64();
    const ULONGLONG qwLimit = static_cast<ULONGLONG>(options.dSeconds * 1000);
    unsigned long long i = options.nStart;
    while (nExit == 0)
    {
        if (options.nCount && nDone >= options.nCount)
            break;
        if (qwLimit && GetTickCount64() - qwBegin >= qwLimit)
            break;
        if (!options.nCount && !qwLimit && nDone >= kWindow)
            break;
        FuzzRandom random = FuzzRandom::ForInput(options.nSeed, i);
        const size_t t = static_cast<size_t>(i % targets.size());
        const FuzzTarget& target = targets[t];
        char szWhat[128];
        const size_t nSeed = random.Below(static_cast<uint32_t>(target.seeds.size()));
        const FuzzBytes data = MutateSeed(target.seeds, nSeed, target.format, &random, szWhat, sizeof(szWhat));
        char szName[96];
        snprintf(szName, sizeof(szName), "%s-s%llu-i%llu", target.pszName, options.nSeed, i);
        if (!RunOne(pCtx, target, data, -1, szName, &stats[t]))
        {
            ++nWrong;
            printf("FUZZ-WRONG-MUTATION %s: %s\n", szName, szWhat);
        }
        if (stats[t].dwSlowestMs > dwSlowest)
        {
            dwSlowest = stats[t].dwSlowestMs;
            snprintf(szSlowest, sizeof(szSlowest), "%s (%s)", szName, szWhat);
        }
        ++nDone;
        ++i;
        if (nDone % kWindow == 0)
        {
            const FuzzCounters now = ReadCounters();
            if (nDone == kWindow)
            {
                warm = now;
                cbWicGifAtWarm = g_cbKeptByWicGif;
            }
            else if (now.nGdiObjects > last.nGdiObjects || now.nHandles > last.nHandles)
                printf("FUZZ-GROWTH in inputs %llu..%llu: GDI objects %lu -> %lu, handles %lu -> %lu\n",
                       i - kWindow, i - 1, last.nGdiObjects, now.nGdiObjects, last.nHandles, now.nHandles);
            PrintCounters(nDone == kWindow ? "warm" : "window", nDone, now);
            last = now;
        }
    }
    const double dSeconds = (GetTickCount64() - qwBegin) / 1000.0;
    const FuzzCounters end = ReadCounters();
    PrintCounters("end", nDone, end);
    if (nDone < kWindow)
        warm = start;
    const long long nGdiGrowth = static_cast<long long>(end.nGdiObjects) - warm.nGdiObjects;
    const long long nHandleGrowth = static_cast<long long>(end.nHandles) - warm.nHandles;
    const long long cbPrivateGrowth = static_cast<long long>(end.cbPrivate) - static_cast<long long>(warm.cbPrivate);
    const long long cbCharged = cbPrivateGrowth - (g_cbKeptByWicGif - cbWicGifAtWarm);
    const bool bLeak = nGdiGrowth > kGdiTolerance || nHandleGrowth > kHandleTolerance ||
                       cbCharged > static_cast<long long>(kPrivateTolerance);
    // The peak counts everything resident: the program, Wine and the
    // largest picture with the decoder's working memory.
    const unsigned long long cbPeakGrowth =
        end.cbPeakWorkingSet > start.cbPeakWorkingSet ? end.cbPeakWorkingSet - start.cbPeakWorkingSet : 0;
    for (size_t t = 0; t < targets.size(); ++t)
        printf("FUZZ-TARGET %-8s %llu inputs, slowest call %lu ms of processor time, private bytes kept %+.1f MiB\n",
               targets[t].pszName,
               stats[t].nRuns, stats[t].dwSlowestMs, stats[t].cbKept / 1048576.0);
    printf("FUZZ-SUMMARY seed %llu, inputs %llu..%llu: executions %llu in %.1f s (%.0f/s), crashes 0, hangs %ld,"
           " wrong results %llu\n",
           options.nSeed, options.nStart, i ? i - 1 : 0, nDone, dSeconds, dSeconds > 0 ? nDone / dSeconds : 0.0,
           HangCount(), nWrong);
    printf("FUZZ-SUMMARY GDI objects start %lu, warm %lu, end %lu; handles start %lu, warm %lu, end %lu;"
           " private bytes start %.1f MiB, warm %.1f MiB, end %.1f MiB (%s)\n",
           start.nGdiObjects, warm.nGdiObjects, end.nGdiObjects, start.nHandles, warm.nHandles, end.nHandles,
           MiB(start.cbPrivate), MiB(warm.cbPrivate), MiB(end.cbPrivate), bLeak ? "GROWTH" : "no growth");
    printf("FUZZ-SUMMARY private bytes after the warm-up: %+.1f MiB, of which %.1f MiB kept by Wine's GIF decoder"
           " on GIFs it refused; charged %+.1f MiB (tolerance %.0f MiB)\n",
           cbPrivateGrowth / 1048576.0, (g_cbKeptByWicGif - cbWicGifAtWarm) / 1048576.0, cbCharged / 1048576.0,
           MiB(kPrivateTolerance));
    printf("FUZZ-SUMMARY peak working set %.1f MiB (%.1f MiB at the start, +%.1f MiB); largest bitmap %.1f MiB;"
           " picture budget %.0f MiB\n",
           MiB(end.cbPeakWorkingSet), MiB(start.cbPeakWorkingSet), MiB(cbPeakGrowth), MiB(pCtx->cbLargestBitmap),
           MiB(pCtx->cbBudget));
    printf("FUZZ-SUMMARY slowest call %lu ms of processor time: %s; slowest on the clock %lu ms\n", dwSlowest,
           szSlowest, SlowestWallMs());
    printf("FUZZ-NEXT %llu\n", i);
    if (nExit == 0 && (HangCount() || nWrong || bLeak || pCtx->cbLargestBitmap > pCtx->cbBudget))
        nExit = 1;
    return nExit;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    setvbuf(stdout, NULL, _IOLBF, 4096);
    Options options;
    if (!ParseOptions(argc, argv, &options))
    {
        printf("usage: fuzz_driver [--seed N] [--start I] [--count N] [--seconds S] [--targets a,b] [--out DIR]"
               " [--fixtures DIR] | --replay PATH\n");
        return 2;
    }
    g_cbTraceGrowth = options.cbTraceGrowth;
    char szWhy[256];
    if (!ProveCounters(szWhy, sizeof(szWhy)))
    {
        printf("FUZZ-ERROR the leak counters cannot be trusted: %s\n", szWhy);
        return 2;
    }
    if (!StartWatch(options.out))
    {
        printf("FUZZ-ERROR the watchdog did not start\n");
        return 2;
    }
    std::vector<FuzzTarget> all = MakeTargets(options.fixtures);
    std::vector<FuzzTarget> targets;
    for (FuzzTarget& t : all)
    {
        if (t.seeds.empty())
        {
            printf("FUZZ-ERROR no seeds for %s (fixtures in %ls)\n", t.pszName, options.fixtures.c_str());
            return 2;
        }
        if (Wanted(options, t.pszName) || !options.replay.empty())
            targets.push_back(t);
    }
    FuzzContext* pCtx = new (std::nothrow) FuzzContext();
    if (!pCtx || targets.empty() || !PrepareContext(pCtx))
    {
        printf("FUZZ-ERROR no target chosen, or the scratch folder cannot be made\n");
        return 2;
    }
    printf("FUZZ-START seed %llu, first input %llu, %s; budget %.0f MiB; %s\n", options.nSeed, options.nStart,
           options.nCount ? "counted" : "timed", MiB(pCtx->cbBudget), CountMethods());

    int nExit = 0;
    if (!options.replay.empty())
        nExit = Replay(pCtx, targets, options.replay);
    else
        nExit = Campaign(pCtx, targets, options);
    fflush(stdout);
    CleanContext(pCtx);
    StopWatch();
    delete pCtx;
    return nExit;
}
