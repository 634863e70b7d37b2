// The folder selection dialog, run for real: the device's storage is a drive
// of its own (with_device_drive.sh) and the current drive, so "\" is its
// root. While the dialog is modal, a thread timer plays a script of steps
// on its real controls: taps on rows, button presses, looks at what it shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <commctrl.h>
#include <functional>
#include <new>
#include <stdlib.h>
#include <string>
#include <vector>

#include "viewer/browser/folder_dialog.h"
#include "viewer/resources/resource.h"

// The dialog's rows own array copies of their names; nothing else in this
// program makes arrays while a dialog runs, so the live count is theirs.
static std::atomic<long> g_nLiveArrays{0};

void* operator new[](size_t cb)
{
    void* p = malloc(cb ? cb : 1);
    if (!p)
        throw std::bad_alloc();
    ++g_nLiveArrays;
    return p;
}
void* operator new[](size_t cb, const std::nothrow_t&) noexcept
{
    void* p = malloc(cb ? cb : 1);
    if (p)
        ++g_nLiveArrays;
    return p;
}
void operator delete[](void* p) noexcept
{
    if (p)
        --g_nLiveArrays;
    free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    operator delete[](p);
}

namespace {

using Step = std::function<void(HWND hwndDlg)>;

struct View
{
    std::wstring folder;
    std::vector<std::wstring> rows;
    long nNames;  // live name copies beyond those before the dialog
};

struct Script
{
    std::vector<Step> steps;
    size_t nNext = 0;
    int nTicks = 0;
    long nArraysBefore = 0;
} g_script;

HWND FindDialog()
{
    HWND hwndFound = NULL;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            WCHAR szClass[16] = L"", szTitle[32] = L"";
            GetClassNameW(hwnd, szClass, 16);
            GetWindowTextW(hwnd, szTitle, 32);
            if (IsWindowVisible(hwnd) && wcscmp(szClass, L"#32770") == 0 && wcscmp(szTitle, L"Select Folder") == 0)
                *reinterpret_cast<HWND*>(lParam) = hwnd;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&hwndFound));
    return hwndFound;
}

// One step per tick: a tap's posted messages and the refill they cause are
// all served before the next tick, timers being the lowest of messages.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    HWND hwndDlg = FindDialog();
    if (!hwndDlg)
        return;
    if (++g_script.nTicks > 200 || g_script.nNext == g_script.steps.size())
        PostMessageW(hwndDlg, WM_COMMAND, IDCANCEL, 0);  // a script that forgot to end it fails below
    else
        g_script.steps[g_script.nNext++](hwndDlg);
}

int RunDialog(WCHAR* pszBuffer, int cchBuffer, std::vector<Step> steps)
{
    g_script = Script();
    g_script.steps = std::move(steps);
    g_script.nArraysBefore = g_nLiveArrays;
    UINT_PTR idTimer = SetTimer(NULL, 0, 30, Tick);
    int nResult = SelectFolderDialog(NULL, pszBuffer, cchBuffer);
    KillTimer(NULL, idTimer);
    EXPECT_EQ(g_script.steps.size(), g_script.nNext) << "the dialog ended before its script did";
    EXPECT_LE(g_script.nTicks, (int)g_script.steps.size()) << "the script did not end the dialog";
    EXPECT_EQ(g_script.nArraysBefore, g_nLiveArrays) << "row names leaked";
    return nResult;
}

std::vector<std::wstring> Rows(HWND hwndList)
{
    std::vector<std::wstring> rows;
    int nCount = ListView_GetItemCount(hwndList);
    for (int i = 0; i < nCount; ++i)
    {
        WCHAR sz[MAX_PATH] = L"";
        ListView_GetItemText(hwndList, i, 0, sz, MAX_PATH);
        rows.push_back(sz);
    }
    return rows;
}

Step Look(std::vector<View>& views)
{
    return [&views](HWND hwndDlg) {
        WCHAR sz[MAX_PATH] = L"";
        GetDlgItemTextW(hwndDlg, IDC_FOLDER_PATH, sz, MAX_PATH);
        views.push_back({sz, Rows(GetDlgItem(hwndDlg, IDC_FOLDER_LIST)), g_nLiveArrays - g_script.nArraysBefore});
    };
}

// A stylus tap on the row with this text, as mouse messages to the list.
Step Tap(const std::wstring& name)
{
    return [name](HWND hwndDlg) {
        HWND hwndList = GetDlgItem(hwndDlg, IDC_FOLDER_LIST);
        std::vector<std::wstring> rows = Rows(hwndList);
        for (size_t i = 0; i < rows.size(); ++i)
        {
            if (rows[i] != name)
                continue;
            RECT rc = {LVIR_LABEL};
            SendMessageW(hwndList, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc));
            LPARAM lPoint = MAKELPARAM(rc.left + 4, (rc.top + rc.bottom) / 2);
            PostMessageW(hwndList, WM_LBUTTONDOWN, MK_LBUTTON, lPoint);
            PostMessageW(hwndList, WM_LBUTTONUP, 0, lPoint);
            return;
        }
        ADD_FAILURE() << "no row " << std::string(name.begin(), name.end());
    };
}

Step Press(int nId)
{
    return [nId](HWND hwndDlg) { PostMessageW(hwndDlg, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), 0); };
}

bool RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::wstring child = path + L"\\" + fd.cFileName;
            if (wcscmp(fd.cFileName, L".") == 0 || wcscmp(fd.cFileName, L"..") == 0)
                continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

const wchar_t* const kFolders[] = {
    L"\\My Documents",       L"\\My Documents\\Trips", L"\\My Documents\\beta",  L"\\My Documents\\Alpha",
    L"\\My Documents\\delta", L"\\My Documents\\Gamma", L"\\My Documents\\_Drafts", L"\\Photos",             L"\\Photos\\2026",
    L"\\Photos\\Empty"};
const wchar_t* const kFiles[] = {L"\\readme.txt", L"\\My Documents\\notes.txt"};

class FolderDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WCHAR szDrive[8] = L"";
        GetEnvironmentVariableW(L"OMBRIX_DEVICE_DRIVE", szDrive, 8);
        ASSERT_NE(L'\0', szDrive[0]) << "run through with_device_drive.sh";
        GetCurrentDirectoryW(MAX_PATH, m_szOldDir);
        m_root = std::wstring(szDrive) + L"\\";
        ASSERT_TRUE(SetCurrentDirectoryW(m_root.c_str()));
        for (const wchar_t* pszFolder : kFolders)
            ASSERT_TRUE(CreateDirectoryW(pszFolder, NULL));
        for (const wchar_t* pszFile : kFiles)
            CloseHandle(CreateFileW(pszFile, GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL));
    }

    void TearDown() override
    {
        SetCurrentDirectoryW(m_szOldDir);
        RemoveTree(m_root + L"My Documents");
        RemoveTree(m_root + L"Photos");
        DeleteFileW((m_root + L"readme.txt").c_str());
    }

    std::wstring m_root;
    WCHAR m_szOldDir[MAX_PATH] = L"";
};

using Rowset = std::vector<std::wstring>;
const Rowset kRootRows = {L"My Documents", L"Photos"};
// Case-insensitive order, ".." above all, files left out. Wine lists folders
// in an upper-case order, with "_" after the letters: only the dialog's own
// sort puts it first.
const Rowset kDocumentRows = {L"..", L"_Drafts", L"Alpha", L"beta", L"delta", L"Gamma", L"Trips"};

TEST_F(FolderDialogTest, EmptyBufferStartsAtTheRootWhereSelectGivesBackslash)
{
    EXPECT_EQ(-1, SelectFolderDialog(NULL, NULL, MAX_PATH));
    WCHAR szFolder[MAX_PATH] = L"";
    std::vector<View> views;
    EXPECT_EQ(0, RunDialog(szFolder, MAX_PATH, {Look(views), Press(IDC_FOLDER_UP), Look(views), Press(IDOK)}));
    EXPECT_STREQ(L"\\", szFolder);
    ASSERT_EQ(2u, views.size());
    for (const View& view : views)  // the ".." button does nothing at the root
    {
        EXPECT_EQ(L"\\", view.folder);
        EXPECT_EQ(kRootRows, view.rows);
        EXPECT_EQ(2, view.nNames);
    }
}

TEST_F(FolderDialogTest, StartFolderRuleAndCancelLeavesTheBuffer)
{
    struct Case
    {
        const wchar_t* pszStart;
        int cchBuffer;
        const wchar_t* pszShown;
    } const cases[] = {
        {L"\\", MAX_PATH, L"\\"},
        {L"\\Photos\\", MAX_PATH, L"\\Photos"},
        {L"\\Nowhere", MAX_PATH, L"\\My Documents"},
        {L"\\Photos\\Empty", MAX_PATH, L"\\My Documents"},  // holds nothing
        {L"\\Photos", 6, L"\\My Documents"},  // not terminated within its buffer
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.pszStart, c.pszStart + wcslen(c.pszStart)));
        WCHAR szFolder[MAX_PATH];
        wcscpy_s(szFolder, MAX_PATH, c.pszStart);
        std::vector<View> views;
        EXPECT_EQ(-1, RunDialog(szFolder, c.cchBuffer, {Look(views), Press(IDCANCEL)}));
        EXPECT_STREQ(c.pszStart, szFolder);
        ASSERT_EQ(1u, views.size());
        EXPECT_EQ(c.pszShown, views[0].folder);
    }
}

TEST_F(FolderDialogTest, TapsWalkUpToTheRootAndIntoPhotos)
{
    WCHAR szFolder[MAX_PATH] = L"\\My Documents";
    std::vector<View> views;
    EXPECT_EQ(0, RunDialog(szFolder, MAX_PATH,
                           {Look(views), Tap(L".."), Look(views), Tap(L"Photos"), Look(views), Press(IDOK)}));
    EXPECT_STREQ(L"\\Photos", szFolder);
    ASSERT_EQ(3u, views.size());
    EXPECT_EQ(L"\\My Documents", views[0].folder);
    EXPECT_EQ(kDocumentRows, views[0].rows);
    EXPECT_EQ(6, views[0].nNames);  // one per folder row, none for ".."
    EXPECT_EQ(L"\\", views[1].folder);
    EXPECT_EQ(kRootRows, views[1].rows);
    EXPECT_EQ(L"\\Photos", views[2].folder);
    EXPECT_EQ((Rowset{L"..", L"2026", L"Empty"}), views[2].rows);
    EXPECT_EQ(2, views[2].nNames);
}

TEST_F(FolderDialogTest, UnlistableFolderShowsOnlyParentAndOverlongPathsAreRefused)
{
    // A name that would take the path past 259 characters: entering it
    // would need a cut path, which names another folder.
    std::wstring longName(250, L'L');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + m_root + L"My Documents\\" + longName).c_str(), NULL));
    WCHAR szFolder[MAX_PATH] = L"\\My Documents";
    std::vector<View> views;
    Step removeTrips = [](HWND) { RemoveDirectoryW(L"\\My Documents\\Trips"); };
    EXPECT_EQ(0, RunDialog(szFolder, MAX_PATH,
                           {Tap(longName), Look(views), removeTrips, Tap(L"Trips"), Look(views),
                            Press(IDC_FOLDER_UP), Look(views), Press(IDOK)}));
    EXPECT_STREQ(L"\\My Documents", szFolder);
    ASSERT_EQ(3u, views.size());
    EXPECT_EQ(L"\\My Documents", views[0].folder);
    EXPECT_EQ(8u, views[0].rows.size());
    EXPECT_EQ(L"\\My Documents\\Trips", views[1].folder);
    EXPECT_EQ(Rowset{L".."}, views[1].rows);
    EXPECT_EQ(0, views[1].nNames);
    EXPECT_EQ(L"\\My Documents", views[2].folder);  // the ".." button goes up too
}

TEST_F(FolderDialogTest, ChoiceLongerThanTheCallersBufferIsRefused)
{
    // Room for "\Photos" but not for "\My Documents": Select there keeps
    // the dialog up and the buffer as it was.
    WCHAR szFolder[8] = L"";
    std::wstring whileRefused = L"?";
    Step keepBuffer = [&](HWND) { whileRefused = szFolder; };
    std::vector<View> views;
    EXPECT_EQ(0, RunDialog(szFolder, 8,
                           {Tap(L"My Documents"), Press(IDOK), Look(views), keepBuffer, Tap(L".."), Tap(L"Photos"),
                            Press(IDOK)}));
    ASSERT_EQ(1u, views.size());
    EXPECT_EQ(L"\\My Documents", views[0].folder);
    EXPECT_EQ(L"", whileRefused);
    EXPECT_STREQ(L"\\Photos", szFolder);
}

} // namespace
