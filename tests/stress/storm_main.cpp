// The command storm: starts the viewer on the device's root, warms it up,
// samples its counters, runs seeded commands for a given time, samples again,
// ends it, and checks the pictures' files.
// Usage: storm_driver <viewer.exe> <device root> <seconds> <seed>
//   The root holds "Pictures" (the big folder, never deleted: "keep.bmp"),
//   "Thumbnails" and "Captures", as the settings name them.
#include "tests/stress/storm.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

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

static void Commands(StormContext& storm, std::initializer_list<WORD> ids)
{
    for (WORD wId : ids)
        Command(storm, wId);
}

// The same state before both samples: browser, list view, the big folder
// read again, the one kept picture the last one opened, nothing running.
static void Canonical(StormContext& storm)
{
    SetCurrentCommand("canonical state");
    Command(storm, IDM_SLIDESHOW_STOP);
    CloseCaptureWindow(storm);
    StormSend(storm.viewer.hwndMain, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    Commands(storm, {IDM_OPEN, IDM_LIST_VIEW});
    SelectPicturesFolder(storm);
    bool bOpened = false;
    for (int nTry = 0; nTry < 3 && !bOpened; ++nTry)
    {
        if (nTry > 0)
        {
            Sleep(300);
            Commands(storm, {IDM_SLIDESHOW_STOP, IDM_OPEN});
        }
        bOpened = OpenByName(storm, STORM_KEEP);
    }
    if (!bOpened)
        StormLog("note: %ls could not be opened for the canonical state", STORM_KEEP);
    Sleep(300);
    // Read again: the thumbnails the storm made go with the old entries.
    Commands(storm, {IDM_OPEN, IDM_LIST_VIEW, IDM_REFRESH_FOLDER});
}

// The least of a few samples after a settle: a render or a worker that is
// just ending holds objects for a moment.
static ProcessCounters SettledCounters(StormContext& storm, const char* pszWhen)
{
    Sleep(SETTLE_MS);
    ProcessCounters least = {};
    for (int i = 0; i < SAMPLES; Sleep(500), ++i)
    {
        StormSend(storm.viewer.hwndMain, WM_NULL, 0, 0);
        const ProcessCounters c = ReadProcessCounters(storm.viewer.hProcess);
        least.nGdiObjects = i ? std::min(least.nGdiObjects, c.nGdiObjects) : c.nGdiObjects;
        least.nHandles = i ? std::min(least.nHandles, c.nHandles) : c.nHandles;
        least.cbPrivate = i ? std::min(least.cbPrivate, c.cbPrivate) : c.cbPrivate;
    }
    StormLog("counters %s: %ld GDI objects, %ld handles, %.1f MiB private", pszWhen, least.nGdiObjects,
             least.nHandles, least.cbPrivate / 1048576.0);
    return least;
}

// Every feature once, so that what is made on first use is in both samples;
// the options sheet once from each face.
static void WarmUp(StormContext& storm)
{
    SetCurrentCommand("warm-up");
    Command(storm, IDM_THUMBNAIL_VIEW);
    Sleep(1500);
    Command(storm, IDM_LIST_VIEW);
    OpenByName(storm, STORM_KEEP);
    Commands(storm, {IDM_ZOOM_IN, IDM_NEXT, IDM_ROTATE_LEFT, IDM_FULL_SCREEN, IDM_FULL_SCREEN, IDM_SLIDESHOW_START});
    Sleep(1500);
    Command(storm, IDM_SLIDESHOW_STOP);
    PlanOptionsSheet(2, 100);
    Commands(storm, {IDM_OPTION, IDM_OPEN});
    PlanOptionsSheet(2, 400);
    Commands(storm, {IDM_OPTION, IDM_INFORMATION, IDM_ABOUT});
}

static bool WaitForList(StormContext& storm)
{
    for (const DWORD dwStart = GetTickCount(); ListCount(storm.viewer) <= 0; Sleep(100))
        if (GetTickCount() - dwStart >= LIST_WAIT_MS)
            return false;
    return true;
}

// Logs one counter's verdict: it may have grown by the tolerance.
static bool Within(const char* pszWhat, double dStart, double dEnd, double dTolerance, const char* pszUnit)
{
    const bool bOk = dStart >= 0 && dEnd >= 0 && dEnd - dStart <= dTolerance;
    const int nDigits = *pszUnit ? 1 : 0;
    StormLog("%s: %.*f -> %.*f%s (tolerance +%.0f%s) %s", pszWhat, nDigits, dStart, nDigits, dEnd, pszUnit, dTolerance,
             pszUnit, bOk ? "ok" : "LEAK");
    return bOk;
}

// Ends the viewer through its own close; true for a clean exit.
static bool EndViewer(StormContext& storm)
{
    SetCurrentCommand("exit");
    StormSend(storm.viewer.hwndMain, WM_COMMAND, IDOK, 0);
    DWORD dwExit = 0;
    if (WaitForSingleObject(storm.viewer.hProcess, EXIT_WAIT_MS) != WAIT_OBJECT_0)
    {
        StormLog("FAULT: the viewer did not end within %d ms of its close", EXIT_WAIT_MS);
        return false;
    }
    GetExitCodeProcess(storm.viewer.hProcess, &dwExit);
    StormLog("exit code %lu", dwExit);
    return dwExit == 0;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 5)
    {
        printf("usage: storm_driver <viewer.exe> <device root> <seconds> <seed>\n");
        return 2;
    }
    const DWORD dwSeconds = static_cast<DWORD>(_wtoi(argv[3]));
    const unsigned long long nSeed = _wcstoui64(argv[4], NULL, 10);
    OpenStormLog();
    StormContext storm = {};
    storm.root = argv[2];
    while (!storm.root.empty() && storm.root.back() == L'\\')
        storm.root.pop_back();
    const std::wstring picturesPath = storm.root + L"\\" STORM_PICTURES, capturesPath = storm.root + L"\\Captures";
    Inventory before;
    if (!TakeInventory(picturesPath, &before) || before.empty())
    {
        StormLog("no pictures under %ls", picturesPath.c_str());
        return 2;
    }
    storm.pPictures = &before;
    storm.nMaxDeletes = static_cast<int>(before.size() / 10);
    const wchar_t* pszBound = _wgetenv(L"STORM_BOUND_MS");
    g_sends.dwBoundMs = pszBound && _wtoi(pszBound) > 0
                            ? static_cast<DWORD>(_wtoi(pszBound))
                            : BASE_BOUND_MS + BOUND_MS_PER_PICTURE * static_cast<DWORD>(before.size());
    int nBroken = 0;
    const int nCapturesBefore = CountCaptures(capturesPath, &nBroken);
    StormLog("storm: seed %llu, %lu s, %zu pictures, command bound %lu ms", nSeed, dwSeconds, before.size(),
             g_sends.dwBoundMs);
    if (!LaunchViewer(argv[1], (storm.root + L"\\").c_str(), &storm.viewer) || !storm.buffer.Open(storm.viewer.hProcess))
    {
        StormLog("FAULT: the viewer did not start");
        if (storm.viewer.hProcess)
            TerminateProcess(storm.viewer.hProcess, 3); // our own child: it would keep our output open
        return 1;
    }
    StormLog("viewer process %lu", storm.viewer.dwPid);
    StartDialogWatcher(storm.viewer);
    const bool bListed = WaitForList(storm);
    if (!bListed)
        StormLog("FAULT: the pictures' folder was never listed");
    WarmUp(storm);
    Canonical(storm);
    const ProcessCounters start = SettledCounters(storm, "at the start");

    SeededRandom random(nSeed);
    const DWORD dwStormStart = GetTickCount();
    DWORD dwExit = 0;
    bool bAlive = true;
    while (bListed && bAlive && GetTickCount() - dwStormStart < dwSeconds * 1000 && !g_sends.nHung)
    {
        RunStormStep(storm, random);
        if (!(bAlive = IsViewerAlive(storm.viewer, &dwExit)))
            StormLog("FAULT: the viewer ended during step %d (exit code 0x%08lx), seed %llu", storm.nSteps, dwExit,
                     nSeed);
    }
    const DWORD dwStormMs = GetTickCount() - dwStormStart;
    ProcessCounters end = {-1, -1, -1, -1};
    bool bResponsive = false, bCleanExit = false;
    if (bAlive && !g_sends.nHung)
    {
        Canonical(storm);
        end = SettledCounters(storm, "at the end");
        const DWORD dwPing = GetTickCount();
        bResponsive = StormSend(storm.viewer.hwndMain, WM_NULL, 0, 0) && GetTickCount() - dwPing < 1000;
        bCleanExit = EndViewer(storm);
    }
    // A hang that ends is a freeze; one that does not is a deadlock.
    const DWORD dwMore = g_sends.nHung ? WaitForRecovery(storm.viewer, RECOVERY_WAIT_MS) : 0;
    if (g_sends.nHung && dwMore == INFINITE)
        StormLog("the window did not answer in %d s more: a deadlock", RECOVERY_WAIT_MS / 1000);
    else if (g_sends.nHung)
        StormLog("the window answered again %lu ms after the bound", dwMore);
    if (IsViewerAlive(storm.viewer, NULL))
        TerminateProcess(storm.viewer.hProcess, 3); // our own child, left hung
    StopDialogWatcher();

    const InventoryFaults files = CompareInventory(picturesPath, before, storm.deleted);
    const int nCaptures = CountCaptures(capturesPath, &nBroken) - nCapturesBefore;
    int rgnDialogs[DIALOG_KINDS];
    GetDialogCounts(rgnDialogs);
    StormLog("---- storm seed %llu: %d commands in %.1f s (%d with nothing to act on)", nSeed, storm.nSteps,
             dwStormMs / 1000.0, storm.nSkipped);
    StormLog("dialogs answered: %d options, %d file information, %d about, %d delete, %d folder, %d other message boxes",
             rgnDialogs[DIALOG_OPTIONS], rgnDialogs[DIALOG_FILE_INFO], rgnDialogs[DIALOG_ABOUT],
             rgnDialogs[DIALOG_DELETE], rgnDialogs[DIALOG_FOLDER], rgnDialogs[DIALOG_OTHER_BOX]);
    StormLog("files: %zu before, %zu deleted on purpose, %d missing, %d changed, %d new; captures: %d asked, %d written, %d broken",
             before.size(), storm.deleted.size(), files.nMissing, files.nChanged, files.nNew, storm.nCaptures,
             nCaptures, nBroken);
    StormLog("GDI objects left by each kind of step:");
    LogGdiByStep();
    StormLog("slowest command: %lu ms (%s), bound %lu ms", g_sends.dwSlowestMs, g_sends.szSlowest, g_sends.dwBoundMs);
    StormLog("counters read by: %s", CounterMethods());
    const bool bGdi = Within("GDI objects", start.nGdiObjects, end.nGdiObjects, GDI_TOLERANCE, "");
    const bool bHandles = Within("handles", start.nHandles, end.nHandles, HANDLE_TOLERANCE, "");
    const bool bPrivate = Within("private bytes", start.cbPrivate / 1048576.0, end.cbPrivate / 1048576.0,
                                 PRIVATE_TOLERANCE >> 20, " MiB");
    const bool bPass = bListed && bAlive && !g_sends.nHung && bResponsive && bCleanExit && bGdi && bHandles &&
                       bPrivate && files.nMissing + files.nChanged + files.nNew + nBroken == 0 &&
                       storm.nDeleteFaults == 0;
    if (g_sends.nHung)
        StormLog("HANG in '%s', seed %llu", g_sends.szHangCommand, nSeed);
    StormLog("storm %s (seed %llu, %lu s)", bPass ? "PASSED" : "FAILED", nSeed, dwSeconds);
    return bPass ? 0 : 1;
}
