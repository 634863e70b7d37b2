// The folder dialog on a device drive of its own (with_device_drive.sh), where
// "\" is the root; while it is modal, a thread timer plays a script of steps.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>
#include "viewer/browser/folder_dialog.h"
#include "viewer/resources/resource.h"

namespace {

using Step = std::function<void(HWND hwndDlg)>;
using Texts = std::vector<std::wstring>;

std::vector<Step> g_steps;
size_t g_nTicks = 0;

// One step per tick: timers come last, so a tap's messages are served first.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND hwndDlg = FindWindowW(L"#32770", L"Select Folder");
    if (hwndDlg && IsWindowVisible(hwndDlg) && g_nTicks++ < g_steps.size())
        g_steps[g_nTicks - 1](hwndDlg);
    else if (hwndDlg && IsWindowVisible(hwndDlg))
        PostMessageW(hwndDlg, WM_COMMAND, IDCANCEL, 0); // the script forgot to end it: fails below
}

int RunDialog(WCHAR* pszBuffer, int cchBuffer, std::vector<Step> steps) {
    g_steps = std::move(steps);
    g_nTicks = 0;
    UINT_PTR idTimer = SetTimer(NULL, 0, 30, Tick);
    int nResult = SelectFolderDialog(NULL, pszBuffer, cchBuffer);
    KillTimer(NULL, idTimer);
    EXPECT_EQ(g_steps.size(), g_nTicks) << "the dialog ended early or late";
    return nResult;
}

// What the dialog shows: "folder: row|row|...".
Step Look(Texts& views) {
    return [&views](HWND hwndDlg) {
        WCHAR sz[MAX_PATH] = L"";
        GetDlgItemTextW(hwndDlg, IDC_FOLDER_PATH, sz, MAX_PATH);
        std::wstring view = sz + std::wstring(L":");
        HWND hwndList = GetDlgItem(hwndDlg, IDC_FOLDER_LIST);
        for (int i = 0; i < ListView_GetItemCount(hwndList); ++i) {
            ListView_GetItemText(hwndList, i, 0, sz, MAX_PATH);
            view += (i ? L"|" : L" ") + std::wstring(sz);
        }
        views.push_back(view);
    };
}

// A stylus tap on the row with this text.
Step Tap(const std::wstring& name) {
    return [name](HWND hwndDlg) {
        HWND hwndList = GetDlgItem(hwndDlg, IDC_FOLDER_LIST);
        LVFINDINFOW find = {LVFI_STRING, name.c_str()};
        RECT rc = {LVIR_LABEL};
        ASSERT_TRUE(SendMessageW(hwndList, LVM_GETITEMRECT, ListView_FindItem(hwndList, -1, &find), (LPARAM)&rc));
        LPARAM lPoint = MAKELPARAM(rc.left + 4, (rc.top + rc.bottom) / 2);
        PostMessageW(hwndList, WM_LBUTTONDOWN, MK_LBUTTON, lPoint);
        PostMessageW(hwndList, WM_LBUTTONUP, 0, lPoint);
    };
}

Step Press(int nId) { return [nId](HWND hwnd) { PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), 0); }; }

// The device's storage, made once; the wrapper script throws it away.
class FolderDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WCHAR szDrive[8] = L"";
        GetEnvironmentVariableW(L"OMBRIX_DEVICE_DRIVE", szDrive, 8);
        s_root = std::wstring(szDrive) + L"\\";
        if (!szDrive[0] || !SetCurrentDirectoryW(s_root.c_str()))
            return s_root.clear();
        for (const wchar_t* psz : {L"", L"\\Trips", L"\\beta", L"\\Alpha", L"\\delta", L"\\Gamma", L"\\_Drafts"})
            CreateDirectoryW((L"\\My Documents" + std::wstring(psz)).c_str(), NULL);
        for (const wchar_t* psz : {L"\\Photos", L"\\Photos\\2026", L"\\Photos\\Empty"})
            CreateDirectoryW(psz, NULL);
        for (const wchar_t* pszFile : {L"\\readme.txt", L"\\My Documents\\notes.txt"})
            CloseHandle(CreateFileW(pszFile, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    }
    void SetUp() override { ASSERT_FALSE(s_root.empty()) << "run through with_device_drive.sh"; }

    static std::wstring s_root;
};
std::wstring FolderDialogTest::s_root;

const wchar_t kRoot[] = L"\\: My Documents|Photos";
// Case-insensitive order, ".." above all, files left out; Wine's own listing
// puts "_" after the letters.
const wchar_t kDocuments[] = L"\\My Documents: ..|_Drafts|Alpha|beta|delta|Gamma|Trips";

} // namespace

// A start folder that is missing, holds nothing or is not terminated within
// the buffer gives "My Documents"; "Cancel" leaves the buffer, "Select" fills it.
TEST_F(FolderDialogTest, StartFolderRuleSelectAndCancel) {
    EXPECT_EQ(-1, SelectFolderDialog(NULL, NULL, MAX_PATH));
    const std::pair<const wchar_t*, int> starts[] = {{L"\\Nowhere", MAX_PATH}, {L"\\Photos\\2026", 7}};
    for (const auto& [pszStart, cchBuffer] : starts) {
        WCHAR szFolder[MAX_PATH];
        wcscpy_s(szFolder, pszStart);
        Texts views;
        EXPECT_EQ(-1, RunDialog(szFolder, cchBuffer, {Look(views), Press(IDCANCEL)}));
        EXPECT_STREQ(pszStart, szFolder);
        EXPECT_EQ(Texts{kDocuments}, views);
    }
    WCHAR szFolder[MAX_PATH] = L"\\Photos\\Empty";
    Texts views;
    EXPECT_EQ(0, RunDialog(szFolder, MAX_PATH, {Look(views), Press(IDC_FOLDER_UP), Press(IDC_FOLDER_UP), Look(views),
                                                Press(IDOK)}));
    EXPECT_STREQ(L"\\", szFolder) << "the up button does nothing at the root";
    EXPECT_EQ((Texts{kDocuments, kRoot}), views);
}

// Taps walk the tree. A path past 259 characters, or one the caller's buffer
// cannot hold, is refused (cut, it names another folder); a folder that cannot
// be listed shows only "..".
TEST_F(FolderDialogTest, TapsWalkTheTreeAndOverlongPathsAreRefused) {
    WCHAR szFolder[MAX_PATH] = L"\\My Documents";
    Texts views;
    EXPECT_EQ(0, RunDialog(szFolder, MAX_PATH, {Tap(L".."), Look(views), Tap(L"Photos"), Look(views), Press(IDOK)}));
    EXPECT_STREQ(L"\\Photos", szFolder);
    EXPECT_EQ((Texts{kRoot, L"\\Photos: ..|2026|Empty"}), views);

    const std::wstring longName(250, L'L'), longPath = L"\\\\?\\" + s_root + L"My Documents\\" + longName;
    ASSERT_TRUE(CreateDirectoryW(longPath.c_str(), NULL));
    wcscpy_s(szFolder, L"\\My Documents");
    views.clear();
    Step removeTrips = [](HWND) { RemoveDirectoryW(L"\\My Documents\\Trips"); };
    EXPECT_EQ(0, RunDialog(szFolder, 14,
                           {Tap(longName), Look(views), removeTrips, Tap(L"Trips"), Look(views), Press(IDOK),
                            Press(IDC_FOLDER_UP), Look(views), Press(IDOK)}));
    CreateDirectoryW(L"\\My Documents\\Trips", NULL);
    RemoveDirectoryW(longPath.c_str());
    EXPECT_STREQ(L"\\My Documents", szFolder);
    const std::wstring withLong = L"\\My Documents: ..|_Drafts|Alpha|beta|delta|Gamma|" + longName;
    EXPECT_EQ((Texts{withLong + L"|Trips", L"\\My Documents\\Trips: ..", withLong}), views);
}
