// The storm's commands: each is a WM_COMMAND of the menus, a message a
// control gets from a tap, or real input (taps, drags, keys).
#include "tests/stress/storm.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include "viewer/resources/resource.h"

// The grid's cells: three columns of 74 x 85 pixels.
#define CELL_PITCH_X 74
#define CELL_PITCH_Y 85
#define CAPTURE_WAIT_MS 4000
#define OPEN_WAIT_MS 300

static std::string Narrow(const std::wstring& text)
{
    char sz[512];
    int cb = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, sz, sizeof(sz), NULL, NULL);
    return cb > 0 ? std::string(sz) : std::string("?");
}

// ---- Input ----

static void SendMouse(DWORD dwFlags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = dwFlags;
    SendInput(1, &input, sizeof(input));
}

void TapAt(int x, int y, bool bDouble)
{
    SetCursorPos(x, y);
    for (int i = 0; i < (bDouble ? 2 : 1); ++i)
    {
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        Sleep(20);
        SendMouse(MOUSEEVENTF_LEFTUP);
        Sleep(bDouble ? 60 : 20);
    }
}

void DragFrom(int x, int y, int dx, int dy)
{
    SetCursorPos(x, y);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= 4; ++i)
    {
        Sleep(30);
        SetCursorPos(x + dx * i / 4, y + dy * i / 4);
    }
    Sleep(30);
    SendMouse(MOUSEEVENTF_LEFTUP);
}

void PressKey(WORD wVk)
{
    INPUT rg[2] = {};
    rg[0].type = rg[1].type = INPUT_KEYBOARD;
    rg[0].ki.wVk = rg[1].ki.wVk = wVk;
    rg[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, rg, sizeof(INPUT));
}

// Client point of a window on the screen.
static POINT OnScreen(HWND hwnd, int x, int y)
{
    POINT pt = {x, y};
    ClientToScreen(hwnd, &pt);
    return pt;
}

// ---- Helpers ----

bool Command(StormContext& storm, WORD wId)
{
    return StormSend(storm.viewer.hwndMain, WM_COMMAND, MAKEWPARAM(wId, 0), 0);
}

static bool ToBrowser(StormContext& storm)
{
    if (IsBrowserShown(storm.viewer))
        return true;
    return Command(storm, IDM_OPEN) && IsBrowserShown(storm.viewer);
}

static bool GridShown(const StormContext& storm)
{
    return IsBrowserShown(storm.viewer) && IsWindowVisible(storm.viewer.hwndThumb);
}

static bool ListShown(const StormContext& storm)
{
    return IsBrowserShown(storm.viewer) && IsWindowVisible(storm.viewer.hwndList);
}

// Enter on a focused row activates it, as the D-pad's action key does.
static bool ActivateRow(StormContext& storm, int nRow)
{
    return ListSelectOnly(storm.viewer, storm.buffer, nRow) &&
           StormSend(storm.viewer.hwndList, WM_KEYDOWN, VK_RETURN, 0x001C0001) &&
           StormSend(storm.viewer.hwndList, WM_KEYUP, VK_RETURN, 0xC01C0001);
}

bool OpenByName(StormContext& storm, const std::wstring& name)
{
    if (!ToBrowser(storm))
        return false;
    if (!IsWindowVisible(storm.viewer.hwndList))
        Command(storm, IDM_LIST_VIEW);
    const int nRow = ListFindName(storm.viewer, storm.buffer, name);
    const bool bActivated = nRow >= 0 && ActivateRow(storm, nRow);
    if (bActivated && !IsBrowserShown(storm.viewer))
        return true;
    std::wstring folder;
    TreeSelectedPath(storm.viewer, storm.buffer, &folder);
    StormLog("  '%s' not opened: row %d of %d in '%s', %s", Narrow(name).c_str(), nRow, ListCount(storm.viewer),
             Narrow(folder).c_str(), bActivated ? "activated" : "not activated");
    return false;
}

bool SelectPicturesFolder(StormContext& storm)
{
    for (const TreeItem& item : TreeItems(storm.viewer, storm.buffer))
    {
        if (_wcsicmp(item.text.c_str(), storm.pictures.c_str()) == 0)
            return StormSend(storm.viewer.hwndTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item.hItem));
    }
    return false;
}

void CloseCaptureWindow(StormContext& storm)
{
    HWND hwndCapture = FindCaptureWindow(storm.viewer);
    if (hwndCapture)
        StormSend(hwndCapture, WM_CLOSE, 0, 0);
}

// ---- Steps ----

struct Draw
{
    unsigned a, b, c;
};
typedef const char* (*StepFn)(StormContext& storm, const Draw& d);

static const char* StepOpen(StormContext& storm, const Draw& d)
{
    if (!ToBrowser(storm))
        return "no browser";
    if (GridShown(storm))
    {
        const POINT pt = OnScreen(storm.viewer.hwndThumb, CELL_PITCH_X / 2 + CELL_PITCH_X * (d.b % 3),
                                  CELL_PITCH_Y / 2 + CELL_PITCH_Y * (d.c % 2));
        TapAt(pt.x, pt.y, true);
        Sleep(OPEN_WAIT_MS);
        return "double tap on the grid";
    }
    const int n = ListCount(storm.viewer);
    if (n == 0)
        return "empty folder";
    return ActivateRow(storm, static_cast<int>(d.a % n)) ? "row opened" : "row not opened";
}

static const char* StepCommand(StormContext& storm, WORD wId, const char* pszDone)
{
    Command(storm, wId);
    return pszDone;
}

// A viewer command met in the browser first opens a row, as a user would
// before stepping or zooming.
static void ToViewer(StormContext& storm, const Draw& d)
{
    if (!IsBrowserShown(storm.viewer))
        return;
    if (!IsWindowVisible(storm.viewer.hwndList))
        Command(storm, IDM_LIST_VIEW);
    const int n = ListCount(storm.viewer);
    if (n > 0)
        ActivateRow(storm, static_cast<int>(d.c % n));
}

static const char* ViewerCommand(StormContext& storm, const Draw& d, WORD wId, const char* pszDone)
{
    ToViewer(storm, d);
    return StepCommand(storm, wId, pszDone);
}

static const char* StepNext(StormContext& storm, const Draw& d)
{
    return ViewerCommand(storm, d, IDM_NEXT, "next");
}

static const char* StepPrevious(StormContext& storm, const Draw& d)
{
    return ViewerCommand(storm, d, IDM_PREVIOUS, "previous");
}

static const char* StepZoom(StormContext& storm, const Draw& d)
{
    static const WORD rg[] = {IDM_ZOOM_IN, IDM_ZOOM_OUT, IDM_FIT_TO_SCREEN, IDM_ORIGINAL_SIZE, IDC_FS_ZOOM_IN};
    static const char* rgNames[] = {"zoom in", "zoom out", "fit", "1:1", "full-screen zoom in"};
    const unsigned i = d.a % 5;
    return ViewerCommand(storm, d, rg[i], rgNames[i]);
}

static const char* StepTurn(StormContext& storm, const Draw& d)
{
    static const WORD rg[] = {IDM_ROTATE_LEFT, IDM_ROTATE_RIGHT, IDM_FLIP_HORIZONTAL, IDM_FLIP_VERTICAL,
                              IDM_LANDSCAPE};
    static const char* rgNames[] = {"left 90", "right 90", "flip horizontal", "flip vertical", "landscape"};
    const unsigned i = d.a % 5;
    return ViewerCommand(storm, d, rg[i], rgNames[i]);
}

static const char* StepLayout(StormContext& storm, const Draw& d)
{
    return d.a % 2 ? StepCommand(storm, IDM_FULL_SCREEN, "full screen") : StepCommand(storm, IDM_TITLE_BAR, "title bar");
}

static const char* StepPan(StormContext& storm, const Draw& d)
{
    ToViewer(storm, d);
    const POINT pt = OnScreen(storm.viewer.hwndMain, 120, 130);
    DragFrom(pt.x, pt.y, static_cast<int>(d.b % 121) - 60, static_cast<int>(d.c % 121) - 60);
    return "drag";
}

static const char* StepKey(StormContext& storm, const Draw& d)
{
    static const WORD rg[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_F1, VK_F2, VK_F3, VK_F4};
    static const char* rgNames[] = {"key left", "key right", "key up", "key down", "F1", "F2", "F3", "F4"};
    const unsigned i = d.a % 8;
    ToViewer(storm, d);
    PressKey(rg[i]);
    StormSend(storm.viewer.hwndMain, WM_NULL, 0, 0);
    return rgNames[i];
}

static const char* StepView(StormContext& storm, const Draw& d)
{
    static const WORD rg[] = {IDM_LIST_VIEW, IDM_SMALL_LIST_VIEW, IDM_THUMBNAIL_VIEW, IDM_THUMBNAIL_VIEW};
    static const char* rgNames[] = {"list view", "small list view", "thumbnail view", "thumbnail view"};
    const unsigned i = d.a % 4;
    return StepCommand(storm, rg[i], rgNames[i]);
}

static char s_szFolderDone[300];

static const char* StepFolder(StormContext& storm, const Draw& d)
{
    if (!ToBrowser(storm))
        return "no browser";
    std::vector<TreeItem> items = TreeItems(storm.viewer, storm.buffer);
    if (items.empty())
        return "no tree";
    // Half the changes go back to the big folder, so the worker stays busy.
    const TreeItem* pItem = &items[d.b % items.size()];
    for (const TreeItem& item : items)
    {
        if (d.a % 2 == 0 && _wcsicmp(item.text.c_str(), storm.pictures.c_str()) == 0)
            pItem = &item;
    }
    StormSend(storm.viewer.hwndTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(pItem->hItem));
    StormSend(storm.viewer.hwndTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(pItem->hItem));
    snprintf(s_szFolderDone, sizeof(s_szFolderDone), "folder '%s'", Narrow(pItem->text).c_str());
    return s_szFolderDone;
}

// A tap on a column's header: the list sorts by it, again for the reverse.
static const char* StepSort(StormContext& storm, const Draw& d)
{
    if (!ListShown(storm) || !IsReportList(storm.viewer))
        return "skipped: no column header";
    LRESULT lHeader = 0;
    if (!StormSend(storm.viewer.hwndList, LVM_GETHEADER, 0, 0, &lHeader) || !lHeader)
        return "no header";
    const int nColumn = static_cast<int>(d.a % 4);
    int x = 0;
    LRESULT cx = 0;
    for (int i = 0; i < nColumn; ++i)
    {
        if (!StormSend(storm.viewer.hwndList, LVM_GETCOLUMNWIDTH, i, 0, &cx))
            return "no column";
        x += static_cast<int>(cx);
    }
    if (!StormSend(storm.viewer.hwndList, LVM_GETCOLUMNWIDTH, nColumn, 0, &cx) || cx <= 2)
        return "no column";
    x += static_cast<int>(cx) / 2;
    HWND hwndHeader = reinterpret_cast<HWND>(lHeader);
    StormSend(hwndHeader, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 6));
    StormSend(hwndHeader, WM_LBUTTONUP, 0, MAKELPARAM(x, 6));
    static const char* rgNames[] = {"sort by name", "sort by type", "sort by size", "sort by date"};
    return rgNames[nColumn];
}

static char s_szDeleteDone[400];

static const char* StepDelete(StormContext& storm, const Draw& d)
{
    if (!IsBrowserShown(storm.viewer))
        return "skipped: viewer";
    if (static_cast<int>(storm.deleted.size()) >= storm.nMaxDeletes)
        return "skipped: enough deleted";
    const int n = ListCount(storm.viewer);
    std::wstring name, folder;
    const int nRow = n > 0 ? static_cast<int>(d.a % n) : -1;
    if (nRow < 0 || !ListRowText(storm.viewer, storm.buffer, nRow, &name) || name.empty() ||
        _wcsicmp(name.c_str(), storm.keepName.c_str()) == 0 || !TreeSelectedPath(storm.viewer, storm.buffer, &folder))
        return "skipped: nothing to delete";
    // Only pictures of the storm's own folders are ever deleted.
    const std::wstring prefix = storm.pictures;
    if (_wcsnicmp(folder.c_str(), prefix.c_str(), prefix.size()) != 0 ||
        (folder.size() > prefix.size() && folder[prefix.size()] != L'\\'))
        return "skipped: not a picture folder";
    const std::wstring relative =
        (folder.size() > prefix.size() ? folder.substr(prefix.size() + 1) + L"\\" : std::wstring()) + name;
    if (!ListSelectOnly(storm.viewer, storm.buffer, nRow))
        return "not selected";
    const bool bConfirm = d.b % 4 != 0;
    ExpectDeleteConfirmation(name, bConfirm);
    Command(storm, IDM_DELETE);
    std::wstring selected;
    const DeleteOutcome outcome = TakeDeleteOutcome(&selected);
    const std::wstring full = storm.root + L"\\" + storm.pictures + L"\\" + relative;
    switch (outcome)
    {
    case DELETE_CONFIRMED:
        storm.deleted.push_back(relative);
        if (GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES)
        {
            ++storm.nDeleteRefused;
            snprintf(s_szDeleteDone, sizeof(s_szDeleteDone), "delete '%s' confirmed, file still there",
                     Narrow(relative).c_str());
        }
        else
            snprintf(s_szDeleteDone, sizeof(s_szDeleteDone), "deleted '%s'", Narrow(relative).c_str());
        break;
    case DELETE_CANCELLED:
        snprintf(s_szDeleteDone, sizeof(s_szDeleteDone), "delete '%s' cancelled", Narrow(relative).c_str());
        break;
    case DELETE_MISMATCH:
        ++storm.nDeleteFaults;
        snprintf(s_szDeleteDone, sizeof(s_szDeleteDone), "FAULT: delete of '%s' asked with [%s] selected",
                 Narrow(relative).c_str(), Narrow(selected).c_str());
        break;
    default:
        ++storm.nDeleteFaults;
        snprintf(s_szDeleteDone, sizeof(s_szDeleteDone), "FAULT: no confirmation for '%s'", Narrow(relative).c_str());
        break;
    }
    return s_szDeleteDone;
}

static const char* StepRefresh(StormContext& storm, const Draw& d)
{
    return d.a % 2 ? StepCommand(storm, IDM_REFRESH_FOLDER, "refresh folder")
                   : StepCommand(storm, IDM_REFRESH_VIEW, "refresh view");
}

static const char* StepShowStart(StormContext& storm, const Draw& d)
{
    return ViewerCommand(storm, d, IDM_SLIDESHOW_START, "slideshow start");
}

static const char* StepShowStop(StormContext& storm, const Draw&)
{
    return StepCommand(storm, IDM_SLIDESHOW_STOP, "slideshow stop");
}

// Deactivation pauses a show; activation resumes it. A menu opening stops it.
static const char* StepPause(StormContext& storm, const Draw& d)
{
    if (d.a % 3 == 0)
    {
        StormSend(storm.viewer.hwndMain, WM_INITMENUPOPUP, 0, 0);
        return "menu opened";
    }
    StormSend(storm.viewer.hwndMain, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    Sleep(d.b % 400);
    StormSend(storm.viewer.hwndMain, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    return "pause and resume";
}

static const char* StepOptions(StormContext& storm, const Draw& d)
{
    PlanOptionsSheet(static_cast<int>(d.a % 3), 50 + d.b % 400);
    return StepCommand(storm, IDM_OPTION, "options");
}

// The capture window's button, the grab 0.2 s later, the window back 1 s
// after that; then it is closed.
static const char* StepCapture(StormContext& storm, const Draw&)
{
    Command(storm, IDM_SCREEN_CAPTURE);
    HWND hwndCapture = FindCaptureWindow(storm.viewer);
    if (!hwndCapture || !IsWindowVisible(hwndCapture))
        return "FAULT: no capture window";
    StormSend(hwndCapture, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ++storm.nCaptures;
    const DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < CAPTURE_WAIT_MS && IsWindow(hwndCapture) && !IsWindowVisible(hwndCapture) &&
           IsViewerAlive(storm.viewer, NULL))
        Sleep(20);
    if (IsWindow(hwndCapture))
        StormSend(hwndCapture, WM_CLOSE, 0, 0);
    return "capture";
}

static const char* StepInfo(StormContext& storm, const Draw& d)
{
    return d.a % 3 ? StepCommand(storm, IDM_INFORMATION, "file information") : StepCommand(storm, IDM_ABOUT, "about");
}

static const char* StepScrollGrid(StormContext& storm, const Draw& d)
{
    if (!GridShown(storm))
        return "skipped: no grid";
    static const WORD rg[] = {SB_LINEDOWN, SB_PAGEDOWN, SB_PAGEDOWN, SB_PAGEUP, SB_LINEUP};
    const int nTimes = 1 + static_cast<int>(d.b % 6);
    for (int i = 0; i < nTimes; ++i)
        StormSend(storm.viewer.hwndThumb, WM_VSCROLL, MAKEWPARAM(rg[d.a % 5], 0), 0);
    return "grid scrolled";
}

static const char* StepTapGrid(StormContext& storm, const Draw& d)
{
    if (!GridShown(storm))
        return "skipped: no grid";
    const POINT pt = OnScreen(storm.viewer.hwndThumb, CELL_PITCH_X / 2 + CELL_PITCH_X * (d.a % 3),
                              CELL_PITCH_Y / 2 + CELL_PITCH_Y * (d.b % 2));
    TapAt(pt.x, pt.y, false);
    StormSend(storm.viewer.hwndMain, WM_NULL, 0, 0);
    return "grid tapped";
}

static const char* StepDeleteThumbs(StormContext& storm, const Draw&)
{
    return StepCommand(storm, IDM_DELETE_THUMBNAIL, "delete thumbnails");
}

struct StepKind
{
    const char* pszName;
    unsigned nWeight;
    StepFn pfn;
};

struct StepGdi
{
    int nRuns;
    long nGrowth;
};

static const StepKind s_rgSteps[] = {
    {"open", 8, StepOpen},
    {"next", 7, StepNext},
    {"previous", 5, StepPrevious},
    {"zoom", 6, StepZoom},
    {"turn", 5, StepTurn},
    {"layout", 2, StepLayout},
    {"pan", 2, StepPan},
    {"key", 2, StepKey},
    {"view", 6, StepView},
    {"folder", 5, StepFolder},
    {"sort", 4, StepSort},
    {"delete", 2, StepDelete},
    {"refresh", 3, StepRefresh},
    {"show-start", 3, StepShowStart},
    {"show-stop", 2, StepShowStop},
    {"pause", 2, StepPause},
    {"options", 2, StepOptions},
    {"capture", 1, StepCapture},
    {"info", 2, StepInfo},
    {"grid-scroll", 3, StepScrollGrid},
    {"grid-tap", 2, StepTapGrid},
    {"delete-thumbs", 1, StepDeleteThumbs},
};

static StepGdi s_rgGdi[sizeof(s_rgSteps) / sizeof(s_rgSteps[0])];
static long s_nLastGdi = -1;

void LogGdiByStep(void)
{
    for (size_t i = 0; i < sizeof(s_rgSteps) / sizeof(s_rgSteps[0]); ++i)
    {
        if (s_rgGdi[i].nRuns)
            StormLog("  %-14s %4d runs, GDI objects %+ld", s_rgSteps[i].pszName, s_rgGdi[i].nRuns, s_rgGdi[i].nGrowth);
    }
}

// True when the kind is one STORM_ONLY names (a comma-separated list), or
// when it names none.
static bool IsChosen(const StepKind& kind)
{
    const char* pszOnly = getenv("STORM_ONLY");
    if (!pszOnly || !*pszOnly)
        return true;
    const size_t cchName = strlen(kind.pszName);
    for (const char* p = pszOnly; *p;)
    {
        const char* pEnd = strchr(p, ',');
        const size_t cch = pEnd ? static_cast<size_t>(pEnd - p) : strlen(p);
        if (cch == cchName && strncmp(p, kind.pszName, cch) == 0)
            return true;
        p += cch + (pEnd ? 1 : 0);
    }
    return false;
}

const char* RunStormStep(StormContext& storm, StormRandom& random)
{
    // Every step draws the same four numbers, whatever the viewer shows, so
    // a seed always gives the same commands. STORM_ONLY=<kind>[,<kind>...]
    // keeps to those kinds, to tell which ones leak together.
    unsigned nTotal = 0;
    for (const StepKind& kind : s_rgSteps)
        nTotal += IsChosen(kind) ? kind.nWeight : 0;
    unsigned nPick = random.Below(nTotal ? nTotal : 1);
    const Draw d = {random.Below(1u << 30), random.Below(1u << 30), random.Below(1u << 30)};
    const StepKind* pKind = &s_rgSteps[0];
    for (const StepKind& kind : s_rgSteps)
    {
        if (!IsChosen(kind))
            continue;
        if (nPick < kind.nWeight)
        {
            pKind = &kind;
            break;
        }
        nPick -= kind.nWeight;
    }
    char szName[64];
    snprintf(szName, sizeof(szName), "step %d %s", storm.nSteps + 1, pKind->pszName);
    SetCurrentCommand(szName);
    const char cFace = IsBrowserShown(storm.viewer) ? (GridShown(storm) ? 'G' : 'B') : 'V';
    const DWORD dwStart = GetTickCount();
    const char* pszResult = pKind->pfn(storm, d);
    ++storm.nSteps;
    if (strncmp(pszResult, "skipped", 7) == 0)
        ++storm.nSkipped;
    const DWORD dwTaken = GetTickCount() - dwStart;
    const long nGdi = SampleGdiObjects(storm.viewer);
    const size_t iKind = static_cast<size_t>(pKind - s_rgSteps);
    ++s_rgGdi[iKind].nRuns;
    if (s_nLastGdi >= 0 && nGdi >= 0)
        s_rgGdi[iKind].nGrowth += nGdi - s_nLastGdi;
    s_nLastGdi = nGdi;
    StormLog("step %d [%c] %s: %s (%lu ms, %ld GDI objects)", storm.nSteps, cFace, pKind->pszName, pszResult, dwTaken,
             nGdi);
    // A user's pace varies; so does the time the worker gets between commands.
    Sleep(d.c % 40);
    return pKind->pszName;
}
