// The command storm: starts the viewer on the device's root, warms it up,
// samples its counters, runs seeded commands for a given time, samples again,
// ends it, and checks the pictures' files.
// Usage: storm_driver <viewer.exe> <device root> <seconds> <seed> [log file]
//   The root holds "Pictures" (the big folder, never deleted: "keep.bmp"),
//   "Thumbnails" and "Captures", as the settings name them.
#include "tests/stress/storm.h"

#include <stdio.h>
#include <stdlib.h>

#include "viewer/resources/resource.h"

// A sampled counter may grow this much before it counts as a leak. The
// warm-up does not reach every object made on first use (a layout, a grid
// size): mixed storms end 4 to 13 GDI objects and 2 handles up, while one
// kind of step repeated hundreds of times (STORM_ONLY) ends 0 to 4 up; a
// leak per command would be hundreds. 16 MiB is less than one leaked
// 12-megapixel picture, and well above the heap's drift.
#define GDI_TOLERANCE 24
#define HANDLE_TOLERANCE 16
#define PRIVATE_TOLERANCE (16LL << 20)
#define SETTLE_MS 2000
#define SAMPLES 3
#define EXIT_WAIT_MS 30000
#define LIST_WAIT_MS 30000
// The bound of one command: the thumbnail worker's stop may wait 3 s twice
// before it ends the thread, and a loaded 2-core machine may double that;
// a list of pictures is filled row by row at about 25 ms a row on Wine, so
// a folder read or a sort gets 40 ms more per picture.
#define BASE_BOUND_MS 12000
#define BOUND_MS_PER_PICTURE 40
#define RECOVERY_WAIT_MS 60000

static const wchar_t KEEP_NAME[] = L"keep.bmp";

// The same state before both samples: browser, list view, the big folder
// read again, the one kept picture the last one opened, nothing running.
static void Canonical(StormContext& storm)
{
    SetCurrentCommand("canonical state");
    Command(storm, IDM_SLIDESHOW_STOP);
    CloseCaptureWindow(storm);
    StormSend(storm.viewer.hwndMain, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    Command(storm, IDM_OPEN);
    Command(storm, IDM_LIST_VIEW);
    SelectPicturesFolder(storm);
    bool bOpened = false;
    for (int nTry = 0; nTry < 3 && !bOpened; ++nTry)
    {
        if (nTry > 0)
        {
            Sleep(300);
            Command(storm, IDM_SLIDESHOW_STOP);
            Command(storm, IDM_OPEN);
        }
        bOpened = OpenByName(storm, KEEP_NAME);
    }
    if (!bOpened)
        StormLog("note: %ls could not be opened for the canonical state", KEEP_NAME);
    Sleep(300);
    Command(storm, IDM_OPEN);
    Command(storm, IDM_LIST_VIEW);
    // Read again: the thumbnails the storm made go with the old entries.
    Command(storm, IDM_REFRESH_FOLDER);
}

// The least of a few samples after a settle: a render or a worker that is
// just ending holds objects for a moment.
static ProcessCounters SettledCounters(StormContext& storm, const char* pszWhen)
{
    Sleep(SETTLE_MS);
    ProcessCounters least = {-1, -1, -1};
    for (int i = 0; i < SAMPLES; ++i)
    {
        StormSend(storm.viewer.hwndMain, WM_NULL, 0, 0);
        const ProcessCounters c = SampleCounters(storm.viewer);
        if (least.nGdiObjects < 0 || c.nGdiObjects < least.nGdiObjects)
            least.nGdiObjects = c.nGdiObjects;
        if (least.nHandles < 0 || c.nHandles < least.nHandles)
            least.nHandles = c.nHandles;
        if (least.cbPrivate < 0 || c.cbPrivate < least.cbPrivate)
            least.cbPrivate = c.cbPrivate;
        Sleep(500);
    }
    StormLog("counters %s: %ld GDI objects, %ld handles, %.1f MiB private", pszWhen, least.nGdiObjects,
             least.nHandles, least.cbPrivate / 1048576.0);
    return least;
}

// Every feature once, so that what is made on first use is in both samples.
static void WarmUp(StormContext& storm)
{
    SetCurrentCommand("warm-up");
    Command(storm, IDM_THUMBNAIL_VIEW);
    Sleep(1500);
    Command(storm, IDM_LIST_VIEW);
    OpenByName(storm, KEEP_NAME);
    Command(storm, IDM_ZOOM_IN);
    Command(storm, IDM_NEXT);
    Command(storm, IDM_ROTATE_LEFT);
    Command(storm, IDM_FULL_SCREEN);
    Command(storm, IDM_FULL_SCREEN);
    Command(storm, IDM_SLIDESHOW_START);
    Sleep(1500);
    Command(storm, IDM_SLIDESHOW_STOP);
    PlanOptionsSheet(2, 100);
    Command(storm, IDM_OPTION);
    Command(storm, IDM_OPEN);
    PlanOptionsSheet(2, 400);
    Command(storm, IDM_OPTION);
    Command(storm, IDM_INFORMATION);
    Command(storm, IDM_ABOUT);
}

static bool WaitForList(StormContext& storm)
{
    const DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < LIST_WAIT_MS)
    {
        if (ListCount(storm.viewer) > 0)
            return true;
        Sleep(100);
    }
    return false;
}

static bool Within(long nStart, long nEnd, long nTolerance)
{
    return nStart >= 0 && nEnd >= 0 && nEnd - nStart <= nTolerance;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 5)
    {
        printf("usage: storm_driver <viewer.exe> <device root> <seconds> <seed> [log file]\n");
        return 2;
    }
    const DWORD dwSeconds = static_cast<DWORD>(_wtoi(argv[3]));
    const uint64_t nSeed = _wcstoui64(argv[4], NULL, 10);
    OpenStormLog(argc > 5 ? argv[5] : NULL);

    StormContext storm;
    storm.root = argv[2];
    while (!storm.root.empty() && storm.root.back() == L'\\')
        storm.root.pop_back();
    storm.pictures = L"Pictures";
    storm.keepName = KEEP_NAME;
    storm.nSteps = storm.nSkipped = storm.nCaptures = storm.nDeleteFaults = storm.nDeleteRefused = 0;
    const std::wstring picturesPath = storm.root + L"\\" + storm.pictures;
    const std::wstring capturesPath = storm.root + L"\\Captures";

    std::vector<FileRecord> before;
    if (!TakeInventory(picturesPath, &before) || before.empty())
    {
        StormLog("no pictures under %ls", picturesPath.c_str());
        return 2;
    }
    storm.nMaxDeletes = static_cast<int>(before.size() / 10);
    const wchar_t* pszBound = _wgetenv(L"STORM_BOUND_MS");
    SetCommandBound(pszBound && _wtoi(pszBound) > 0 ? static_cast<DWORD>(_wtoi(pszBound))
                                                    : BASE_BOUND_MS + BOUND_MS_PER_PICTURE * static_cast<DWORD>(before.size()));
    int nBrokenBefore = 0;
    const int nCapturesBefore = CountCaptures(capturesPath, &nBrokenBefore);
    StormLog("storm: seed %llu, %lu s, %zu pictures, command bound %lu ms", static_cast<unsigned long long>(nSeed),
             dwSeconds, before.size(), GetCommandBound());

    if (!LaunchViewer(argv[1], (storm.root + L"\\").c_str(), &storm.viewer) || !storm.buffer.Open(storm.viewer.hProcess))
    {
        StormLog("FAULT: the viewer did not start");
        if (storm.viewer.hProcess)
            TerminateProcess(storm.viewer.hProcess, 3); // our own child: it would keep our output open
        return 1;
    }
    StormLog("viewer process %lu", storm.viewer.dwPid);
    StartDialogWatcher(storm.viewer);
    bool bListed = WaitForList(storm);
    if (!bListed)
        StormLog("FAULT: the pictures' folder was never listed");

    WarmUp(storm);
    Canonical(storm);
    const ProcessCounters start = SettledCounters(storm, "at the start");

    StormRandom random(nSeed);
    const DWORD dwStormStart = GetTickCount();
    DWORD dwExit = 0;
    bool bAlive = true;
    while (bListed && GetTickCount() - dwStormStart < dwSeconds * 1000 && !StormHung())
    {
        RunStormStep(storm, random);
        if (!(bAlive = IsViewerAlive(storm.viewer, &dwExit)))
        {
            StormLog("FAULT: the viewer ended during step %d (exit code 0x%08lx), seed %llu", storm.nSteps, dwExit,
                     static_cast<unsigned long long>(nSeed));
            break;
        }
    }
    const DWORD dwStormMs = GetTickCount() - dwStormStart;

    ProcessCounters end = {-1, -1, -1};
    bool bResponsive = false;
    bool bCleanExit = false;
    if (bAlive && !StormHung())
    {
        Canonical(storm);
        end = SettledCounters(storm, "at the end");
        const DWORD dwPing = GetTickCount();
        bResponsive = StormSend(storm.viewer.hwndMain, WM_NULL, 0, 0) && GetTickCount() - dwPing < 1000;
        SetCurrentCommand("exit");
        StormSend(storm.viewer.hwndMain, WM_COMMAND, IDOK, 0);
        if (WaitForSingleObject(storm.viewer.hProcess, EXIT_WAIT_MS) == WAIT_OBJECT_0)
        {
            GetExitCodeProcess(storm.viewer.hProcess, &dwExit);
            bCleanExit = dwExit == 0;
            StormLog("exit code %lu", dwExit);
        }
        else
            StormLog("FAULT: the viewer did not end within %d ms of its close", EXIT_WAIT_MS);
    }
    if (StormHung())
    {
        // A hang that ends is a freeze; one that does not is a deadlock.
        const DWORD dwMore = WaitForRecovery(storm.viewer, RECOVERY_WAIT_MS);
        if (dwMore == INFINITE)
            StormLog("the window did not answer in %d s more: a deadlock", RECOVERY_WAIT_MS / 1000);
        else
            StormLog("the window answered again %lu ms after the bound", dwMore);
    }
    if (IsViewerAlive(storm.viewer, NULL))
        TerminateProcess(storm.viewer.hProcess, 3); // our own child, left hung
    StopDialogWatcher();

    int nMissing = 0, nChanged = 0, nNew = 0, nBroken = 0;
    CompareInventory(picturesPath, before, storm.deleted, &nMissing, &nChanged, &nNew);
    const int nCaptures = CountCaptures(capturesPath, &nBroken) - nCapturesBefore;
    const DialogCounts dialogs = GetDialogCounts();
    const char* pszSlowest = "";
    const DWORD dwSlowest = SlowestSend(&pszSlowest);

    const bool bGdi = Within(start.nGdiObjects, end.nGdiObjects, GDI_TOLERANCE);
    const bool bHandles = Within(start.nHandles, end.nHandles, HANDLE_TOLERANCE);
    const bool bPrivate = start.cbPrivate >= 0 && end.cbPrivate >= 0 && end.cbPrivate - start.cbPrivate <= PRIVATE_TOLERANCE;
    StormLog("---- storm seed %llu: %d commands in %.1f s (%d with nothing to act on)",
             static_cast<unsigned long long>(nSeed), storm.nSteps, dwStormMs / 1000.0, storm.nSkipped);
    StormLog("dialogs answered: %d options, %d file information, %d about, %d delete, %d other message boxes",
             dialogs.nOptions, dialogs.nFileInfo, dialogs.nAbout, dialogs.nDeleteBoxes, dialogs.nErrorBoxes);
    StormLog("files: %zu before, %zu deleted on purpose, %d missing, %d changed, %d new; captures: %d asked, %d written, %d broken",
             before.size(), storm.deleted.size(), nMissing, nChanged, nNew, storm.nCaptures, nCaptures, nBroken);
    StormLog("GDI objects left by each kind of step:");
    LogGdiByStep();
    StormLog("slowest command: %lu ms (%s), bound %lu ms", dwSlowest, pszSlowest, GetCommandBound());
    StormLog("GDI objects (%s): %ld -> %ld (tolerance +%d) %s", GdiCountMethod(), start.nGdiObjects, end.nGdiObjects,
             GDI_TOLERANCE, bGdi ? "ok" : "LEAK");
    StormLog("handles: %ld -> %ld (tolerance +%d) %s", start.nHandles, end.nHandles, HANDLE_TOLERANCE,
             bHandles ? "ok" : "LEAK");
    StormLog("private bytes: %.1f -> %.1f MiB (tolerance +%lld MiB) %s", start.cbPrivate / 1048576.0,
             end.cbPrivate / 1048576.0, PRIVATE_TOLERANCE >> 20, bPrivate ? "ok" : "LEAK");

    const bool bPass = bListed && bAlive && !StormHung() && bResponsive && bCleanExit && bGdi && bHandles && bPrivate &&
                       nMissing + nChanged + nNew + nBroken == 0 && storm.nDeleteFaults == 0;
    if (StormHung())
        StormLog("HANG in '%s', seed %llu", StormHangCommand(), static_cast<unsigned long long>(nSeed));
    StormLog("storm %s (seed %llu, %lu s)", bPass ? "PASSED" : "FAILED", static_cast<unsigned long long>(nSeed),
             dwSeconds);
    return bPass ? 0 : 1;
}
