// The command storm against the real viewer process: what its parts share.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <stdint.h>
#include <string>
#include <vector>

// ---- Log and random numbers (storm_log.cpp) ----

// Every line goes to standard output and to the log file, with the time
// since the storm began; safe from both driver threads.
void OpenStormLog(const wchar_t* pszPath);
void StormLog(const char* pszFormat, ...);
DWORD StormElapsedMs(void);

// A small seeded generator: the same seed gives the same commands.
class StormRandom
{
public:
    explicit StormRandom(uint64_t nSeed) : m_nState(nSeed) {}
    uint64_t Next(void);
    // 0 .. n-1; n must be positive.
    unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }

private:
    uint64_t m_nState;
};

// ---- The viewer process (storm_viewer.cpp) ----

struct ViewerProcess
{
    HANDLE hProcess;
    DWORD dwPid;
    HWND hwndMain;
    HWND hwndTree;
    HWND hwndList;
    HWND hwndThumb;
};

// What one sample of the process's counters holds.
struct ProcessCounters
{
    long nGdiObjects;
    long nHandles;
    long long cbPrivate;
};

// Starts the viewer with the given current folder and waits for its main
// window; false when none appears within the time.
bool LaunchViewer(const wchar_t* pszExe, const wchar_t* pszFolder, ViewerProcess* pViewer);
bool IsViewerAlive(const ViewerProcess& viewer, DWORD* pdwExitCode);
// After a hang: how long until the window answers again, or INFINITE when
// it does not within the limit.
DWORD WaitForRecovery(const ViewerProcess& viewer, DWORD dwLimitMs);

// The longest a command may take before it counts as a hang.
void SetCommandBound(DWORD dwMs);
DWORD GetCommandBound(void);
// A SendMessageTimeout within the bound. A timeout records a hang (see
// StormHung); false for a timeout or a window that has gone.
bool StormSend(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* plResult = NULL);
bool StormHung(void);
// The command the last hang was found in, for the report.
const char* StormHangCommand(void);
// The longest answered send so far and the step it was in.
DWORD SlowestSend(const char** ppszCommand);
// The step now running, named in a hang's report.
void SetCurrentCommand(const char* pszName);

// Memory in the viewer's address space for the list's and tree's records;
// one per driver thread.
class RemoteBuffer
{
public:
    RemoteBuffer() : m_hProcess(NULL), m_pv(NULL) {}
    ~RemoteBuffer();
    bool Open(HANDLE hProcess);
    void* Address(size_t cbOffset) const { return static_cast<BYTE*>(m_pv) + cbOffset; }
    bool Write(size_t cbOffset, const void* pv, size_t cb);
    bool Read(size_t cbOffset, void* pv, size_t cb);

private:
    HANDLE m_hProcess;
    void* m_pv;
};

int ListCount(const ViewerProcess& viewer);
// Selects and focuses one row, clears every other, scrolls it into view.
bool ListSelectOnly(const ViewerProcess& viewer, RemoteBuffer& buffer, int nRow);
bool ListRowText(const ViewerProcess& viewer, RemoteBuffer& buffer, int nRow, std::wstring* pText);
// The names of every selected row.
std::vector<std::wstring> ListSelectedNames(const ViewerProcess& viewer, RemoteBuffer& buffer);
// The row that shows this name, or -1.
int ListFindName(const ViewerProcess& viewer, RemoteBuffer& buffer, const std::wstring& name);
bool IsReportList(const ViewerProcess& viewer);
bool IsBrowserShown(const ViewerProcess& viewer);
// Every item of the folder tree that is reachable through expanded items,
// with its text.
struct TreeItem
{
    HTREEITEM hItem;
    std::wstring text;
};
std::vector<TreeItem> TreeItems(const ViewerProcess& viewer, RemoteBuffer& buffer);
// The folder of the tree's selected item below its root, as "A\B"; false
// when nothing is selected.
bool TreeSelectedPath(const ViewerProcess& viewer, RemoteBuffer& buffer, std::wstring* pPath);

// GDI objects (GetGuiResources, or the process's own GDI handle table where
// that is not implemented), handles and private bytes of the process.
ProcessCounters SampleCounters(const ViewerProcess& viewer);
const char* GdiCountMethod(void);
long SampleGdiObjects(const ViewerProcess& viewer);

// ---- Modal windows (storm_dialogs.cpp) ----

// A thread that finds the viewer's dialogs and message boxes and closes or
// answers them while the driver's own thread waits for its command.
void StartDialogWatcher(const ViewerProcess& viewer);
void StopDialogWatcher(void);

// The next delete confirmation: answered OK only when the list's selection
// is exactly the expected name.
enum DeleteOutcome
{
    DELETE_NONE,
    DELETE_CONFIRMED,
    DELETE_CANCELLED,
    DELETE_MISMATCH
};
void ExpectDeleteConfirmation(const std::wstring& name, bool bConfirm);
DeleteOutcome TakeDeleteOutcome(std::wstring* pSelected);
// The options sheet shows this page for this long before its "ok".
void PlanOptionsSheet(int nPage, DWORD dwDwellMs);

struct DialogCounts
{
    int nOptions;
    int nFileInfo;
    int nAbout;
    int nDeleteBoxes;
    int nErrorBoxes; // any other message box: its text is logged
    int nFolderDialogs;
};
DialogCounts GetDialogCounts(void);
// The capture window, when it is up.
HWND FindCaptureWindow(const ViewerProcess& viewer);
// The first top-level window of the process that pfnIsIt accepts, or NULL.
HWND FindTopWindow(DWORD dwPid, bool (*pfnIsIt)(HWND));

// ---- Files (storm_files.cpp) ----

struct FileRecord
{
    std::wstring path; // relative to the inventory's root
    uint64_t cbSize;
    uint64_t nHash;
};

// Every file under the root folder with its size and a 64-bit FNV-1a hash.
bool TakeInventory(const std::wstring& root, std::vector<FileRecord>* pFiles);
// Prints every file that is missing or changed (other than the deleted
// ones) and every new file; the count of such faults.
int CompareInventory(const std::wstring& root, const std::vector<FileRecord>& before,
                     const std::vector<std::wstring>& deleted, int* pnMissing, int* pnChanged, int* pnNew);
// Captures in the folder: their count and how many are not whole
// 240 x 320 bitmaps.
int CountCaptures(const std::wstring& folder, int* pnBroken);

// ---- Input (storm_steps.cpp) ----

void TapAt(int x, int y, bool bDouble);
void DragFrom(int x, int y, int dx, int dy);
void PressKey(WORD wVk);

// ---- Steps (storm_steps.cpp) ----

struct StormContext
{
    ViewerProcess viewer;
    RemoteBuffer buffer;
    std::wstring root;         // the device's root, "S:"
    std::wstring pictures;     // folder of the pictures below the root
    std::wstring keepName;     // a picture the storm never deletes
    std::vector<std::wstring> deleted; // relative to the pictures' folder
    int nMaxDeletes;
    int nSteps;
    int nSkipped;   // steps that had nothing to act on in the face shown
    int nCaptures;  // captures asked for
    int nDeleteFaults;
    int nDeleteRefused;
};

// The GDI objects each kind of step left behind, summed over the storm
// (objects made or freed by the worker and the renderer meanwhile add noise).
void LogGdiByStep(void);
// Runs one step drawn from the generator; returns its name.
const char* RunStormStep(StormContext& storm, StormRandom& random);
// Selects the pictures' folder in the tree.
bool SelectPicturesFolder(StormContext& storm);
// Opens the named picture of the shown folder in the viewer.
bool OpenByName(StormContext& storm, const std::wstring& name);
// Sends a command to the main window.
bool Command(StormContext& storm, WORD wId);
// Closes the capture window when it is up.
void CloseCaptureWindow(StormContext& storm);
