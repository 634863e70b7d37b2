#include "tests/support/viewer_fixture.h"

#include <algorithm>
#include <atomic>
#include <commctrl.h>
#include <prsht.h>

#include "tests/support/window_helpers.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/common/settings_names.h"
#include "viewer/common/shared_paths.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/entry.h"

std::wstring NoDrive(const std::wstring& path) {
    return path.size() > 2 && path[1] == L':' ? path.substr(2) : path;
}

void ViewerTest::SetUp() {
    SettingsTest::SetUp();
    ResetKeyMap();
    ResetSortDirection();
    g_szBrowsePath[0] = L'\0';
    g_szPicturePath[0] = L'\0';
    GetCurrentDirectoryW(MAX_PATH, m_szOldDir);
    SetCurrentDirectoryW(m_folder.Path().c_str());
}

void ViewerTest::TearDown() {
    if (GetMainWindowData())
        DestroyWindow(m_hwnd);
    PumpFor(10);
    FreePictures();
    SetCurrentDirectoryW(m_szOldDir);
    SettingsTest::TearDown();
}

void ViewerTest::Start(DWORD dwMode, const wchar_t* pszName, const std::wstring& folder) {
    const std::wstring start = folder.empty() ? NoDrive(m_folder.Path()) : folder;
    RawSetValue(SZ_START_MODE, REG_DWORD, &dwMode, 4);
    RawSetText(SZ_START_FOLDER, start);
    RawSetText(SZ_START_FILENAME, pszName);
    ASSERT_TRUE(InitInstance(GetModuleHandleW(NULL), SW_SHOW));
    m_pData = GetMainWindowData();
    m_hwnd = m_pData->hwndMain;
    m_hwndList = GetFileListWindow();
    PumpFor(20);
}

std::vector<std::wstring> ViewerTest::Column(int nColumn) const {
    std::vector<std::wstring> texts;
    for (int i = 0; i < ListView_GetItemCount(m_hwndList); ++i) {
        WCHAR sz[MAX_PATH] = L"";
        ListView_GetItemText(m_hwndList, i, nColumn, sz, MAX_PATH);
        texts.push_back(sz);
    }
    return texts;
}

int ViewerTest::RowOf(const wchar_t* pszName) const {
    const std::vector<std::wstring> names = Column(0);
    const auto it = std::find(names.begin(), names.end(), pszName);
    return it == names.end() ? -1 : (int)(it - names.begin());
}

void ViewerTest::Select(std::initializer_list<const wchar_t*> names) const {
    ListView_SetItemState(m_hwndList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(m_hwndList, -1);
    for (const wchar_t* pszName : names) {
        const int nRow = RowOf(pszName);
        ListView_SetItemState(m_hwndList, nRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetSelectionMark(m_hwndList, nRow);
    }
}

void ViewerTest::Notify(UINT nCode, int nItem, int nSubItem) const {
    NMLISTVIEW info = {{m_hwndList, IDC_FILE_LIST, nCode}, nItem, nSubItem};
    SendMessageW(m_pData->hwndBrowser, WM_NOTIFY, IDC_FILE_LIST, (LPARAM)&info);
}

bool ViewerTest::AnswerDelete(int nButton) const {
    // A file that stays is told in a second "Delete" box, closed with OK.
    std::atomic<bool> bReturned{false};
    return WhileWindowShows([] { return FindWindowW(L"#32770", L"Delete"); },
                            [&](HWND hwndBox) {
                                PostMessageW(hwndBox, WM_COMMAND, nButton, 0);
                                HWND hwndNext = NULL;
                                if (PollUntil([&] { return bReturned || ((hwndNext = FindWindowW(L"#32770", L"Delete")) &&
                                                                         hwndNext != hwndBox); }) && !bReturned)
                                    PostMessageW(hwndNext, WM_COMMAND, IDOK, 0);
                            },
                            [&] { Command(IDM_DELETE), bReturned = true; });
}

void ViewerTest::RunOptionsSheet(const std::function<void(HWND)>& during) const {
    auto find = [hwndOwner = m_hwnd]() -> HWND {
        for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            if (GetWindow(h, GW_OWNER) == hwndOwner && PropSheet_GetTabControl(h))
                return h;
        return NULL;
    };
    auto laidOut = [](HWND hwndSheet) {
        RECT rcClient, rcTab;
        GetClientRect(hwndSheet, &rcClient);
        GetWindowRect(PropSheet_GetTabControl(hwndSheet), &rcTab);
        return rcTab.right - rcTab.left == rcClient.right && rcTab.bottom - rcTab.top == rcClient.bottom;
    };
    EXPECT_TRUE(WhileWindowShows(find,
                                 [&](HWND hwndSheet) {
                                     EXPECT_TRUE(PollUntil([&] { return laidOut(hwndSheet); }));
                                     during(hwndSheet);
                                     PostMessageW(hwndSheet, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                                 },
                                 [&] { Command(IDM_OPTION); }, 10000))
        << "the sheet never came up";
}
