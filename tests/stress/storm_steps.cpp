// The storm's commands: each is a WM_COMMAND of the menus, a message a
// control gets from a tap, or real input (taps, drags, keys).
#include "tests/stress/storm.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "viewer/resources/resource.h"

// The grid's cells: three columns of 74 x 85 pixels.
#define CELL_PITCH_X 74
#define CELL_PITCH_Y 85
#define CAPTURE_WAIT_MS 4000
#define OPEN_WAIT_MS 300

// ---- Input through the system's queue, as a user's ----

// Moves the pointer to a point of the window, presses or lets go when
// dwFlags says so, then waits.
static void MouseAt(HWND hwnd, int x, int y, DWORD dwFlags, DWORD dwWaitMs)
{
    POINT pt = {x, y};
    ClientToScreen(hwnd, &pt);
    SetCursorPos(pt.x, pt.y);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = dwFlags;
    if (dwFlags)
        SendInput(1, &input, sizeof(input));
    Sleep(dwWaitMs);
}

static void TapCell(const StormContext& storm, unsigned nColumn, unsigned nRow, bool bDouble)
{
    const int x = CELL_PITCH_X / 2 + CELL_PITCH_X * static_cast<int>(nColumn % 3);
    const int y = CELL_PITCH_Y / 2 + CELL_PITCH_Y * static_cast<int>(nRow % 2);
    for (int i = 0; i < (bDouble ? 2 : 1); ++i)
    {
        MouseAt(storm.viewer.hwndThumb, x, y, MOUSEEVENTF_LEFTDOWN, 20);
        MouseAt(storm.viewer.hwndThumb, x, y, MOUSEEVENTF_LEFTUP, bDouble ? 60 : 20);
    }
}

static void PressKey(WORD wVk)
{
    INPUT rg[2] = {};
    rg[0].type = rg[1].type = INPUT_KEYBOARD;
    rg[0].ki.wVk = rg[1].ki.wVk = wVk;
    rg[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, rg, sizeof(INPUT));
}

// ---- Helpers ----

static bool BrowserShown(const StormContext& storm) { return IsWindowVisible(storm.viewer.hwndTree); }

static bool GridShown(const StormContext& storm)
{
    return BrowserShown(storm) && IsWindowVisible(storm.viewer.hwndThumb);
}

bool Command(StormContext& storm, WORD wId)
{
    return StormSend(storm.viewer.hwndMain, WM_COMMAND, MAKEWPARAM(wId, 0), 0);
}

static bool ToBrowser(StormContext& storm)
{
    return BrowserShown(storm) || (Command(storm, IDM_OPEN) && BrowserShown(storm));
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
    if (bActivated && !BrowserShown(storm))
        return true;
    StormLog("  '%s' not opened: row %d of %d, %s", Narrow(name).c_str(), nRow, ListCount(storm.viewer),
             bActivated ? "activated" : "not activated");
    return false;
}

bool SelectPicturesFolder(StormContext& storm)
{
    for (const TreeItem& item : TreeItems(storm.viewer, storm.buffer))
        if (_wcsicmp(item.text.c_str(), STORM_PICTURES) == 0)
            return StormSend(storm.viewer.hwndTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item.hItem));
    return false;
}

void CloseCaptureWindow(StormContext& storm)
{
    if (HWND hwndCapture = FindCaptureWindow(storm.viewer))
        StormSend(hwndCapture, WM_CLOSE, 0, 0);
}

// A viewer command met in the browser first opens a row, as a user would
// before stepping or zooming.
static void ToViewer(StormContext& storm, unsigned nDraw)
{
    if (!BrowserShown(storm))
        return;
    if (!IsWindowVisible(storm.viewer.hwndList))
        Command(storm, IDM_LIST_VIEW);
    const int n = ListCount(storm.viewer);
    if (n > 0)
        ActivateRow(storm, static_cast<int>(nDraw % n));
}

// ---- Steps ----

// The numbers each step draws; a step uses those it needs.
struct Draw { unsigned a, b, c; };
// The step's result for the log; one that starts with "skipped" had nothing
// to act on in the face shown.
typedef const char* (*StepFn)(StormContext& storm, const Draw& d);
static char s_szDone[400];

static const char* StepOpen(StormContext& storm, const Draw& d)
{
    if (!ToBrowser(storm))
        return "no browser";
    if (GridShown(storm))
    {
        TapCell(storm, d.b, d.c, true);
        Sleep(OPEN_WAIT_MS);
        return "double tap on the grid";
    }
    const int n = ListCount(storm.viewer);
    if (n == 0)
        return "empty folder";
    return ActivateRow(storm, static_cast<int>(d.a % n)) ? "row opened" : "row not opened";
}

static const char* StepPan(StormContext& storm, const Draw& d)
{
    ToViewer(storm, d.c);
    const int dx = static_cast<int>(d.b % 121) - 60, dy = static_cast<int>(d.c % 121) - 60;
    MouseAt(storm.viewer.hwndMain, 120, 130, MOUSEEVENTF_LEFTDOWN, 30);
    for (int i = 1; i <= 4; ++i)
        MouseAt(storm.viewer.hwndMain, 120 + dx * i / 4, 130 + dy * i / 4, 0, 30);
    MouseAt(storm.viewer.hwndMain, 120 + dx, 130 + dy, MOUSEEVENTF_LEFTUP, 0);
    return "drag";
}

// Half the changes go back to the big folder, so the worker stays busy.
static const char* StepFolder(StormContext& storm, const Draw& d)
{
    if (!ToBrowser(storm))
        return "no browser";
    const std::vector<TreeItem> items = TreeItems(storm.viewer, storm.buffer);
    if (items.empty())
        return "no tree";
    const TreeItem* pItem = &items[d.b % items.size()];
    for (const TreeItem& item : items)
        if (d.a % 2 == 0 && _wcsicmp(item.text.c_str(), STORM_PICTURES) == 0)
            pItem = &item;
    StormSend(storm.viewer.hwndTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(pItem->hItem));
    StormSend(storm.viewer.hwndTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(pItem->hItem));
    snprintf(s_szDone, sizeof(s_szDone), "folder '%s'", Narrow(pItem->text).c_str());
    return s_szDone;
}

// A tap on the middle of a column's header (its rectangle read in the
// viewer): the list sorts by it, again for the reverse.
static const char* StepSort(StormContext& storm, const Draw& d)
{
    LRESULT lHeader = 0;
    if (!BrowserShown(storm) || !IsWindowVisible(storm.viewer.hwndList) ||
        (GetWindowLongPtrW(storm.viewer.hwndList, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT)
        return "skipped: no column header";
    if (!StormSend(storm.viewer.hwndList, LVM_GETHEADER, 0, 0, &lHeader) || !lHeader)
        return "no header";
    const int nColumn = static_cast<int>(d.a % 4);
    HWND hwndHeader = reinterpret_cast<HWND>(lHeader);
    RECT rc = {};
    if (!StormSend(hwndHeader, HDM_GETITEMRECT, nColumn, reinterpret_cast<LPARAM>(storm.buffer.Address(0))) ||
        !storm.buffer.Read(0, &rc, sizeof(rc)) || rc.right - rc.left <= 2)
        return "no column";
    StormSend(hwndHeader, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((rc.left + rc.right) / 2, 6));
    StormSend(hwndHeader, WM_LBUTTONUP, 0, MAKELPARAM((rc.left + rc.right) / 2, 6));
    static const char* rgNames[] = {"sort by name", "sort by type", "sort by size", "sort by date"};
    return rgNames[nColumn];
}

// Only the storm's own pictures are ever deleted, found by their names
// (each is unique among them), never the kept one; a quarter of the
// confirmations are cancelled.
static const char* StepDelete(StormContext& storm, const Draw& d)
{
    if (!BrowserShown(storm))
        return "skipped: viewer";
    if (static_cast<int>(storm.deleted.size()) >= storm.nMaxDeletes)
        return "skipped: enough deleted";
    const int n = ListCount(storm.viewer);
    std::wstring name, relative, selected;
    const int nRow = n > 0 ? static_cast<int>(d.a % n) : -1;
    if (nRow < 0 || !ListRowText(storm.viewer, storm.buffer, nRow, &name) || name.empty() ||
        _wcsicmp(name.c_str(), STORM_KEEP) == 0)
        return "skipped: nothing to delete";
    for (const auto& file : *storm.pPictures)
        if (file.first.substr(file.first.find_last_of(L'\\') + 1) == Lower(name))
            relative = file.first;
    if (relative.empty() || std::count(storm.deleted.begin(), storm.deleted.end(), relative))
        return "skipped: not one of the storm's pictures";
    if (!ListSelectOnly(storm.viewer, storm.buffer, nRow))
        return "not selected";
    ExpectDeleteConfirmation(name, d.b % 4 != 0);
    Command(storm, IDM_DELETE);
    const DeleteOutcome outcome = TakeDeleteOutcome(&selected);
    const std::wstring full = storm.root + L"\\" STORM_PICTURES L"\\" + relative;
    const bool bStill = GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (outcome == DELETE_CONFIRMED)
        storm.deleted.push_back(relative);
    else if (outcome != DELETE_CANCELLED)
        ++storm.nDeleteFaults;
    // By outcome: none, confirmed, cancelled, mismatch.
    static const char* rgFormats[] = {"FAULT: no confirmation for '%s'", "deleted '%s'%s", "delete '%s' cancelled",
                                      "FAULT: delete of '%s' asked with [%s] selected"};
    snprintf(s_szDone, sizeof(s_szDone), rgFormats[outcome], Narrow(relative).c_str(),
             outcome == DELETE_MISMATCH ? Narrow(selected).c_str() : bStill ? ", but the file is still there" : "");
    return s_szDone;
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
    Command(storm, IDM_OPTION);
    return "options";
}

// The capture window's button; the grab comes 0.2 s later and the window
// back 1 s after that; then it is closed.
static const char* StepCapture(StormContext& storm, const Draw&)
{
    Command(storm, IDM_SCREEN_CAPTURE);
    HWND hwndCapture = FindCaptureWindow(storm.viewer);
    if (!hwndCapture || !IsWindowVisible(hwndCapture))
        return "FAULT: no capture window";
    StormSend(hwndCapture, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ++storm.nCaptures;
    for (const DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < CAPTURE_WAIT_MS && IsWindow(hwndCapture) &&
                                               !IsWindowVisible(hwndCapture) && IsViewerAlive(storm.viewer, NULL);)
        Sleep(20);
    if (IsWindow(hwndCapture))
        StormSend(hwndCapture, WM_CLOSE, 0, 0);
    return "capture";
}

static const char* StepScrollGrid(StormContext& storm, const Draw& d)
{
    static const WORD rg[] = {SB_LINEDOWN, SB_PAGEDOWN, SB_PAGEDOWN, SB_PAGEUP, SB_LINEUP};
    if (!GridShown(storm))
        return "skipped: no grid";
    for (unsigned i = 0; i < 1 + d.b % 6; ++i)
        StormSend(storm.viewer.hwndThumb, WM_VSCROLL, MAKEWPARAM(rg[d.a % 5], 0), 0);
    return "grid scrolled";
}

static const char* StepTapGrid(StormContext& storm, const Draw& d)
{
    if (!GridShown(storm))
        return "skipped: no grid";
    TapCell(storm, d.a, d.b, false);
    StormSend(storm.viewer.hwndMain, WM_NULL, 0, 0);
    return "grid tapped";
}

// A kind without a function of its own acts by one of its choices, picked
// by d.a: a menu command, or in the viewer a command or a key pressed
// through the input queue.
enum ChoiceKind { CHOICE_COMMAND, CHOICE_VIEWER_COMMAND, CHOICE_VIEWER_KEY };
struct Choice { WORD wId; const char* pszDone; };
struct StepKind
{
    const char* pszName;
    unsigned nWeight;
    StepFn pfn;
    ChoiceKind choiceKind;
    std::vector<Choice> choices;
};

static const StepKind s_rgSteps[] = {
    {"open", 8, StepOpen, CHOICE_COMMAND, {}},
    {"next", 7, NULL, CHOICE_VIEWER_COMMAND, {{IDM_NEXT, "next"}}},
    {"previous", 5, NULL, CHOICE_VIEWER_COMMAND, {{IDM_PREVIOUS, "previous"}}},
    {"zoom", 6, NULL, CHOICE_VIEWER_COMMAND,
     {{IDM_ZOOM_IN, "zoom in"}, {IDM_ZOOM_OUT, "zoom out"}, {IDM_FIT_TO_SCREEN, "fit"}, {IDM_ORIGINAL_SIZE, "1:1"},
      {IDC_FS_ZOOM_IN, "full-screen zoom in"}}},
    {"turn", 5, NULL, CHOICE_VIEWER_COMMAND,
     {{IDM_ROTATE_LEFT, "left 90"}, {IDM_ROTATE_RIGHT, "right 90"}, {IDM_FLIP_HORIZONTAL, "flip horizontal"},
      {IDM_FLIP_VERTICAL, "flip vertical"}, {IDM_LANDSCAPE, "landscape"}}},
    {"layout", 2, NULL, CHOICE_COMMAND, {{IDM_TITLE_BAR, "title bar"}, {IDM_FULL_SCREEN, "full screen"}}},
    {"pan", 2, StepPan, CHOICE_COMMAND, {}},
    {"key", 2, NULL, CHOICE_VIEWER_KEY,
     {{VK_LEFT, "key left"}, {VK_RIGHT, "key right"}, {VK_UP, "key up"}, {VK_DOWN, "key down"}, {VK_F1, "F1"},
      {VK_F2, "F2"}, {VK_F3, "F3"}, {VK_F4, "F4"}}},
    {"view", 6, NULL, CHOICE_COMMAND,
     {{IDM_LIST_VIEW, "list view"}, {IDM_SMALL_LIST_VIEW, "small list view"}, {IDM_THUMBNAIL_VIEW, "thumbnail view"},
      {IDM_THUMBNAIL_VIEW, "thumbnail view"}}},
    {"folder", 5, StepFolder, CHOICE_COMMAND, {}},
    {"sort", 4, StepSort, CHOICE_COMMAND, {}},
    {"delete", 2, StepDelete, CHOICE_COMMAND, {}},
    {"refresh", 3, NULL, CHOICE_COMMAND, {{IDM_REFRESH_VIEW, "refresh view"}, {IDM_REFRESH_FOLDER, "refresh folder"}}},
    {"show-start", 3, NULL, CHOICE_VIEWER_COMMAND, {{IDM_SLIDESHOW_START, "slideshow start"}}},
    {"show-stop", 2, NULL, CHOICE_COMMAND, {{IDM_SLIDESHOW_STOP, "slideshow stop"}}},
    {"pause", 2, StepPause, CHOICE_COMMAND, {}},
    {"options", 2, StepOptions, CHOICE_COMMAND, {}},
    {"capture", 1, StepCapture, CHOICE_COMMAND, {}},
    {"info", 2, NULL, CHOICE_COMMAND,
     {{IDM_ABOUT, "about"}, {IDM_INFORMATION, "file information"}, {IDM_INFORMATION, "file information"}}},
    {"grid-scroll", 3, StepScrollGrid, CHOICE_COMMAND, {}},
    {"grid-tap", 2, StepTapGrid, CHOICE_COMMAND, {}},
    {"delete-thumbs", 1, NULL, CHOICE_COMMAND, {{IDM_DELETE_THUMBNAIL, "delete thumbnails"}}},
};
static const size_t kStepKinds = sizeof(s_rgSteps) / sizeof(s_rgSteps[0]);

static const char* RunChoice(StormContext& storm, const StepKind& kind, const Draw& d)
{
    const Choice& choice = kind.choices[d.a % kind.choices.size()];
    if (kind.choiceKind != CHOICE_COMMAND)
        ToViewer(storm, d.c);
    if (kind.choiceKind != CHOICE_VIEWER_KEY)
        Command(storm, choice.wId);
    else
    {
        PressKey(choice.wId);
        StormSend(storm.viewer.hwndMain, WM_NULL, 0, 0);
    }
    return choice.pszDone;
}

// Runs and GDI objects after them, by kind of step.
static int s_rgnRuns[kStepKinds];
static long s_rgnGdiGrowth[kStepKinds];
static long s_nLastGdi = -1;

void LogGdiByStep(void)
{
    for (size_t i = 0; i < kStepKinds; ++i)
        if (s_rgnRuns[i])
            StormLog("  %-14s %4d runs, GDI objects %+ld", s_rgSteps[i].pszName, s_rgnRuns[i], s_rgnGdiGrowth[i]);
}

// STORM_ONLY=<kind>[,<kind>...] keeps to those kinds, to tell which ones
// leak together.
static bool IsChosen(const StepKind& kind)
{
    const char* pszOnly = getenv("STORM_ONLY");
    return !pszOnly || !*pszOnly ||
           (std::string(",") + pszOnly + ",").find(std::string(",") + kind.pszName + ",") != std::string::npos;
}

void RunStormStep(StormContext& storm, SeededRandom& random)
{
    // Every step draws the same four numbers, whatever the viewer shows, so
    // a seed always gives the same commands.
    unsigned nTotal = 0;
    for (const StepKind& kind : s_rgSteps)
        nTotal += IsChosen(kind) ? kind.nWeight : 0;
    unsigned nPick = random.Below(nTotal ? nTotal : 1);
    const Draw d = {random.Below(1u << 30), random.Below(1u << 30), random.Below(1u << 30)};
    size_t iKind = 0;
    for (size_t i = 0; i < kStepKinds; ++i)
    {
        if (!IsChosen(s_rgSteps[i]))
            continue;
        if (nPick < s_rgSteps[i].nWeight)
        {
            iKind = i;
            break;
        }
        nPick -= s_rgSteps[i].nWeight;
    }
    const StepKind& kind = s_rgSteps[iKind];
    char szName[64];
    snprintf(szName, sizeof(szName), "step %d %s", storm.nSteps + 1, kind.pszName);
    SetCurrentCommand(szName);
    const char cFace = BrowserShown(storm) ? (GridShown(storm) ? 'G' : 'B') : 'V';
    const DWORD dwStart = GetTickCount();
    const char* pszResult = kind.pfn ? kind.pfn(storm, d) : RunChoice(storm, kind, d);
    const DWORD dwTaken = GetTickCount() - dwStart;
    storm.nSkipped += strncmp(pszResult, "skipped", 7) == 0;
    const long nGdi = ReadGdiObjects(storm.viewer.hProcess);
    ++s_rgnRuns[iKind];
    if (s_nLastGdi >= 0 && nGdi >= 0)
        s_rgnGdiGrowth[iKind] += nGdi - s_nLastGdi;
    s_nLastGdi = nGdi;
    StormLog("step %d [%c] %s: %s (%lu ms, %ld GDI objects)", ++storm.nSteps, cFace, kind.pszName, pszResult, dwTaken,
             nGdi);
    // A user's pace varies; so does the time the worker gets between commands.
    Sleep(d.c % 40);
}
