// The command storm against the real viewer process: what its parts share.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <stdint.h>
#include <map>
#include <string>
#include <vector>

#include "tests/stress/process_counters.h"
#include "tests/stress/seeded_random.h"

// ---- Log (storm_log.cpp) ----

// Every line goes to standard output with the time since the storm began;
// safe from both driver threads.
void OpenStormLog(void);
void StormLog(const char* pszFormat, ...);
std::string Narrow(const std::wstring& text); // UTF-8, for the log

// ---- The viewer process (storm_viewer.cpp) ----

struct ViewerProcess { HANDLE hProcess; DWORD dwPid; HWND hwndMain, hwndTree, hwndList, hwndThumb; };

// Starts the viewer in the given current folder and waits for its main
// window and panes; false when they do not appear in time.
bool LaunchViewer(const wchar_t* pszExe, const wchar_t* pszFolder, ViewerProcess* pViewer);
bool IsViewerAlive(const ViewerProcess& viewer, DWORD* pdwExitCode);
// After a hang: how long until the window answers again, or INFINITE.
DWORD WaitForRecovery(const ViewerProcess& viewer, DWORD dwLimitMs);
// The first top-level window of the process that pfnIsIt accepts, or NULL.
HWND FindTopWindow(DWORD dwPid, bool (*pfnIsIt)(HWND));

// What the bounded sends found; both driver threads send.
struct SendLog
{
    DWORD dwBoundMs;      // the longest a command may take before it counts as a hang
    volatile LONG nHung;  // after a hang nothing more is sent: the report names the first
    char szCommand[64];   // the step now running
    char szHangCommand[64];
    DWORD dwSlowestMs;    // the longest answered send, and its step
    char szSlowest[64];
};
extern SendLog g_sends;
void SetCurrentCommand(const char* pszName);
// SendMessageTimeout within the bound; false for a hang or a window gone.
bool StormSend(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* plResult = NULL);

// Memory in the viewer's address space for the controls' records; one per
// driver thread.
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
std::vector<std::wstring> ListSelectedNames(const ViewerProcess& viewer, RemoteBuffer& buffer);
int ListFindName(const ViewerProcess& viewer, RemoteBuffer& buffer, const std::wstring& name); // -1: none
struct TreeItem { HTREEITEM hItem; std::wstring text; };
// The folder tree's items under expanded items, top to bottom.
std::vector<TreeItem> TreeItems(const ViewerProcess& viewer, RemoteBuffer& buffer);

// ---- Modal windows (storm_dialogs.cpp) ----

// A thread that answers the viewer's dialogs and message boxes while the
// driver's own thread waits inside the command that opened them.
void StartDialogWatcher(const ViewerProcess& viewer);
void StopDialogWatcher(void);

enum DeleteOutcome { DELETE_NONE, DELETE_CONFIRMED, DELETE_CANCELLED, DELETE_MISMATCH };
// The next delete confirmation is answered OK only when the list's
// selection is exactly this name and bConfirm is set.
void ExpectDeleteConfirmation(const std::wstring& name, bool bConfirm);
DeleteOutcome TakeDeleteOutcome(std::wstring* pSelected);
// The options sheet shows this page for this long before its "ok".
void PlanOptionsSheet(int nPage, DWORD dwDwellMs);

// DIALOG_OTHER_BOX: any other message box, its text logged.
enum DialogKind
{ DIALOG_OPTIONS, DIALOG_FILE_INFO, DIALOG_ABOUT, DIALOG_FOLDER, DIALOG_DELETE, DIALOG_OTHER_BOX, DIALOG_KINDS };
// How many of each kind were answered.
void GetDialogCounts(int rgnCounts[DIALOG_KINDS]);
HWND FindCaptureWindow(const ViewerProcess& viewer);

// ---- Files (storm_files.cpp) ----

struct FileRecord { uint64_t cbSize, nHash; }; // the hash: 64-bit FNV-1a
// Every file under a root, by its path below the root in lower case.
typedef std::map<std::wstring, FileRecord> Inventory;
struct InventoryFaults { int nMissing, nChanged, nNew; };

bool TakeInventory(const std::wstring& root, Inventory* pFiles, const std::wstring& relative = L"");
std::wstring Lower(std::wstring text);
// Logs every file missing or changed (but the deleted ones, by their keys)
// and every new one.
InventoryFaults CompareInventory(const std::wstring& root, const Inventory& before,
                                 const std::vector<std::wstring>& deleted);
// Captures in the folder, and how many of them are not whole screen bitmaps.
int CountCaptures(const std::wstring& folder, int* pnBroken);

// ---- Steps (storm_steps.cpp) ----

// The big folder below the device's root, and a picture of it the storm
// never deletes.
#define STORM_PICTURES L"Pictures"
#define STORM_KEEP L"keep.bmp"

struct StormContext
{
    ViewerProcess viewer;
    RemoteBuffer buffer;
    std::wstring root;                 // the device's root, "S:"
    const Inventory* pPictures;        // the pictures' folder before the storm
    std::vector<std::wstring> deleted; // its keys of the pictures deleted on purpose
    int nMaxDeletes;
    int nSteps;
    int nSkipped;                      // steps with nothing to act on in the face shown
    int nCaptures;                     // captures asked for
    int nDeleteFaults;
};

// The GDI objects each kind of step left behind, summed over the storm
// (the worker and the renderer add noise).
void LogGdiByStep(void);
void RunStormStep(StormContext& storm, SeededRandom& random);
bool SelectPicturesFolder(StormContext& storm);
// Opens the named picture of the shown folder in the viewer.
bool OpenByName(StormContext& storm, const std::wstring& name);
bool Command(StormContext& storm, WORD wId);
void CloseCaptureWindow(StormContext& storm);
