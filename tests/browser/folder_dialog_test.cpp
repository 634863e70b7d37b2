// The folder selection dialog, run for real: the device's storage is a drive
// of its own (with_device_drive.sh) and the current drive, so "\" is its
// root. While the dialog is modal, a thread timer plays a script of steps
// on its real controls: taps on rows, button presses, looks at what it shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>

#include "viewer/browser/folder_dialog.h"
#include "viewer/resources/resource.h"

namespace {

using Step = std::function<void(HWND hwndDlg)>;
using Rowset = std::vector<std::wstring>;

struct View
{
    std::wstring folder;
    Rowset rows;
};

std::vector<Step> g_steps;
size_t g_nTicks;

// One step per tick: a tap's posted messages and the refill they cause are
// served before the next tick, timers being the last of messages.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    HWND hwndDlg = FindWindowW(L"#32770", L"Select Folder");
    if (!hwndDlg || !IsWindowVisible(hwndDlg))
        return;
    if (g_nTicks++ < g_steps.size())
        g_steps[g_nTicks - 1](hwndDlg);
    else
        PostMessageW(hwndDlg, WM_COMMAND, IDCANCEL, 0); // the script forgot to end it: fails below
}

int RunDialog(WCHAR* pszBuffer, int cchBuffer, std::vector<Step> steps)
{
    g_steps = std::move(steps);
    g_nTicks = 0;
    UINT_PTR idTimer = SetTimer(NULL, 0, 30, Tick);
    int nResult = SelectFolderDialog(NULL, pszBuffer, cchBuffer);
    KillTimer(NULL, idTimer);
    EXPECT_EQ(g_steps.size(), g_nTicks) << "the dialog ended early or late";
    return nResult;
}

Rowset Rows(HWND hwndList)
{
    Rowset rows(ListView_GetItemCount(hwndList));
    for (size_t i = 0; i < rows.size(); ++i)
    {
        WCHAR sz[MAX_PATH] = L"";
        ListView_GetItemText(hwndList, (int)i, 0, sz, MAX_PATH);
        rows[i] = sz;
    }
    return rows;
}

Step Look(std::vector<View>& views)
{
    return [&views](HWND hwndDlg) {
        WCHAR sz[MAX_PATH] = L"";
        GetDlgItemTextW(hwndDlg, IDC_FOLDER_PATH, sz, MAX_PATH);
        views.push_back({sz, Rows(GetDlgItem(hwndDlg, IDC_FOLDER_LIST))});
    };
}

// A stylus tap on the row with this text, as mouse messages to the list.
Step Tap(const std::wstring& name)
{
    return [name](HWND hwndDlg) {
        HWND hwndList = GetDlgItem(hwndDlg, IDC_FOLDER_LIST);
        Rowset rows = Rows(hwndList);
        int nRow = (int)(std::find(rows.begin(), rows.end(), name) - rows.begin());
        RECT rc = {LVIR_LABEL};
        ASSERT_TRUE(SendMessageW(hwndList, LVM_GETITEMRECT, nRow, (LPARAM)&rc)) << "no such row";
        LPARAM lPoint = MAKELPARAM(rc.left + 4, (rc.top + rc.bottom) / 2);
        PostMessageW(hwndList, WM_LBUTTONDOWN, MK_LBUTTON, lPoint);
        PostMessageW(hwndList, WM_LBUTTONUP, 0, lPoint);
    };
}

Step Press(int nId)
{
    return [nId](HWND hwndDlg) { PostMessageW(hwndDlg, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), 0); };
}

// The device's storage, made once; the wrapper script throws it away.
class FolderDialogTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        WCHAR szDrive[8] = L"";
        GetEnvironmentVariableW(L"OMBRIX_DEVICE_DRIVE", szDrive, 8);
        s_root = std::wstring(szDrive) + L"\\";
        if (!szDrive[0] || !SetCurrentDirectoryW(s_root.c_str()))
            return;
        for (const wchar_t* pszFolder : {L"\\My Documents", L"\\My Documents\\Trips", L"\\My Documents\\beta",
                                         L"\\My Documents\\Alpha", L"\\My Documents\\delta", L"\\My Documents\\Gamma",
                                         L"\\My Documents\\_Drafts", L"\\Photos", L"\\Photos\\2026", L"\\Photos\\Empty"})
            CreateDirectoryW(pszFolder, NULL);
        for (const wchar_t* pszFile : {L"\\readme.txt", L"\\My Documents\\notes.txt"})
            CloseHandle(CreateFileW(pszFile, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    }
    void SetUp() override
    {
        WCHAR szCurrent[MAX_PATH] = L"";
        GetCurrentDirectoryW(MAX_PATH, szCurrent);
        ASSERT_EQ(0, _wcsicmp(s_root.c_str(), szCurrent)) << "run through with_device_drive.sh";
    }

    static std::wstring s_root;
};
std::wstring FolderDialogTest::s_root;

const Rowset kRootRows = {L"My Documents", L"Photos"};
// Case-insensitive order, ".." above all, files left out. Wine lists folders
// in an upper-case order, with "_" after the letters: only the dialog's own
// sort puts it first.
const Rowset kDocumentRows = {L"..", L"_Drafts", L"Alpha", L"beta", L"delta", L"Gamma", L"Trips"};

} // namespace

// Where it starts, and what "Select" and "Cancel" leave in the buffer.
TEST_F(FolderDialogTest, StartFolderRuleSelectAndCancel)
{
    const struct
    {
        const wchar_t* pszStart;
        int cchBuffer;
        const wchar_t* pszShown;
        Rowset rows;
        int nPress;
    } cases[] = {
        {L"", MAX_PATH, L"\\", kRootRows, IDOK},
        {L"\\", MAX_PATH, L"\\", kRootRows, IDCANCEL},
        {L"\\Photos\\", MAX_PATH, L"\\Photos", {L"..", L"2026", L"Empty"}, IDOK},
        {L"\\Nowhere", MAX_PATH, L"\\My Documents", kDocumentRows, IDCANCEL},
        {L"\\Photos\\Empty", MAX_PATH, L"\\My Documents", kDocumentRows, IDCANCEL}, // holds nothing
        {L"\\Photos\\2026", 7, L"\\My Documents", kDocumentRows, IDCANCEL},         // not terminated within 7
    };
    EXPECT_EQ(-1, SelectFolderDialog(NULL, NULL, MAX_PATH));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszStart)));
        WCHAR szFolder[MAX_PATH];
        wcscpy_s(szFolder, MAX_PATH, c.pszStart);
        std::vector<View> views;
        std::vector<Step> steps = {Look(views), Press(c.nPress)};
        if (c.rows == kRootRows)
            steps.insert(steps.begin(), Press(IDC_FOLDER_UP)); // does nothing at the root
        EXPECT_EQ(c.nPress == IDOK ? 0 : -1, RunDialog(szFolder, c.cchBuffer, steps));
        EXPECT_STREQ(c.nPress == IDOK ? c.pszShown : c.pszStart, szFolder);
        ASSERT_EQ(1u, views.size());
        EXPECT_EQ(c.pszShown, views[0].folder);
        EXPECT_EQ(c.rows, views[0].rows);
    }
}

// Taps on ".." and on a folder walk the tree. Entering a folder that would
// take the path past 259 characters, and selecting one that would overflow
// the caller's buffer, are refused: a cut path names another folder. A
// folder that cannot be listed shows only "..".
TEST_F(FolderDialogTest, TapsWalkTheTreeAndOverlongPathsAreRefused)
{
    WCHAR szFolder[MAX_PATH] = L"\\My Documents";
    std::vector<View> views;
    EXPECT_EQ(0, RunDialog(szFolder, MAX_PATH,
                           {Tap(L".."), Look(views), Tap(L"Photos"), Look(views), Press(IDOK)}));
    EXPECT_STREQ(L"\\Photos", szFolder);
    ASSERT_EQ(2u, views.size());
    EXPECT_EQ(L"\\", views[0].folder);
    EXPECT_EQ(kRootRows, views[0].rows);
    EXPECT_EQ(L"\\Photos", views[1].folder);

    std::wstring longPath = L"\\\\?\\" + s_root + L"My Documents\\" + std::wstring(250, L'L');
    ASSERT_TRUE(CreateDirectoryW(longPath.c_str(), NULL));
    wcscpy_s(szFolder, L"\\My Documents");
    views.clear();
    Step removeTrips = [](HWND) { RemoveDirectoryW(L"\\My Documents\\Trips"); };
    EXPECT_EQ(0, RunDialog(szFolder, 14,
                           {Tap(std::wstring(250, L'L')), Look(views), removeTrips, Tap(L"Trips"), Look(views),
                            Press(IDOK), Press(IDC_FOLDER_UP), Look(views), Press(IDOK)}));
    CreateDirectoryW(L"\\My Documents\\Trips", NULL);
    RemoveDirectoryW(longPath.c_str());
    EXPECT_STREQ(L"\\My Documents", szFolder);
    ASSERT_EQ(3u, views.size());
    EXPECT_EQ(L"\\My Documents", views[0].folder);
    EXPECT_EQ(kDocumentRows.size() + 1, views[0].rows.size());
    EXPECT_EQ(L"\\My Documents\\Trips", views[1].folder);
    EXPECT_EQ(Rowset{L".."}, views[1].rows);
    EXPECT_EQ(L"\\My Documents", views[2].folder); // the ".." button goes up too
}
