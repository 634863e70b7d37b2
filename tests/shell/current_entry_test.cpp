// The current entry across a column sort and a folder change, and the start
// pair stored at exit.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <string>
#include <vector>

#include "tests/support/viewer_fixture.h"
#include "tests/support/window_helpers.h"
#include "viewer/browser/dir_tree.h"
#include "viewer/browser/picture_selection.h"
#include "viewer/common/settings_names.h"
#include "viewer/common/shared_paths.h"
#include "viewer/resources/resource.h"

namespace {

class CurrentEntryTest : public ViewerTest
{
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        for (const wchar_t* pszName : {L"a.bmp", L"b.bmp", L"c.bmp", L"sub\\z.bmp"})
        {
            CreateDirectoryW((m_folder / L"sub").c_str(), NULL);
            WriteSolidBmp(m_folder / pszName, 4, 4, RGB(0, 0, 248));
        }
    }
};

} // namespace

TEST_F(CurrentEntryTest, ASortKeepsTheCurrentPictureAndExitStoresIt)
{
    Start(1, L"a.bmp");
    Command(IDM_OPEN);
    Select({L"a.bmp"});
    ASSERT_TRUE(GetPictureSelection(nullptr));
    Notify(LVN_COLUMNCLICK, -1, 0); // Z to A: the head entry now holds c.bmp
    EXPECT_FALSE(GetPictureSelection(nullptr)) << "the shared selection would name another picture";
    ASSERT_NE(nullptr, m_pData->pCurrentEntry);
    EXPECT_STREQ(L"a.bmp", m_pData->pCurrentEntry->szName);
    DestroyWindow(m_hwnd);
    EXPECT_EQ(L"a.bmp", RawGetText(SZ_START_FILENAME));
    EXPECT_EQ(NoDrive(m_folder.Path()), RawGetText(SZ_START_FOLDER));
}

// After browsing elsewhere no picture is current: the folder is stored with
// no name, and the next start shows that folder in the browser.
TEST_F(CurrentEntryTest, ExitInAnotherFolderStoresItWithNoNameAndStartsThere)
{
    Start(1, L"a.bmp");
    Command(IDM_OPEN);
    HWND hwndTree = GetDirectoryTreeWindow();
    TreeView_SelectItem(hwndTree, TreeView_GetChild(hwndTree, TreeView_GetSelection(hwndTree)));
    const std::wstring sub = NoDrive(m_folder / L"sub\\");
    ASSERT_EQ(sub, g_szBrowsePath);
    DestroyWindow(m_hwnd);
    EXPECT_EQ(sub, RawGetText(SZ_START_FOLDER));
    EXPECT_EQ(L"", RawGetText(SZ_START_FILENAME));

    Start(1, L"", sub);
    EXPECT_TRUE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(sub, g_szBrowsePath);
    EXPECT_EQ(std::vector<std::wstring>({L"z.bmp"}), Column(0));
}

// A folder the tree cannot reach (with its drive letter) is listed all the
// same, and the next exit keeps it.
TEST_F(CurrentEntryTest, NoNameInAFolderTheTreeCannotReachListsThatFolder)
{
    Start(1, L"", m_folder.Path());
    EXPECT_TRUE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(m_folder.Path(), g_szBrowsePath);
    EXPECT_EQ(std::vector<std::wstring>({L"a.bmp", L"b.bmp", L"c.bmp"}), Column(0));
    DestroyWindow(m_hwnd);
    EXPECT_EQ(m_folder.Path(), RawGetText(SZ_START_FOLDER));
}

// A start folder typed without its closing "\" still names the picture.
TEST_F(CurrentEntryTest, StartFolderWithoutClosingSeparatorOpensThePicture)
{
    std::wstring folder = NoDrive(m_folder.Path());
    folder.pop_back();
    Start(1, L"b.bmp", folder);
    ASSERT_NE(nullptr, m_pData->pCurrentEntry);
    EXPECT_STREQ(L"b.bmp", m_pData->pCurrentEntry->szName);
    EXPECT_NE(nullptr, m_pData->hbmCurrent);
}
