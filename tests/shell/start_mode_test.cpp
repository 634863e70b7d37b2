// Opening pictures into the real main window: the start mode, the loader
// and the title.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>
#include <windows.h>

#include "viewer_fixture.h"
#include "window_test_support.h"
#include "viewer/browser/picture_list.h"
#include "viewer/common/path_parts.h"
#include "viewer/resources/resource.h"
#include "viewer/common/shared_paths.h"
#include "viewer/imaging/image_loader.h"
#include "viewer/imaging/renderer.h"
#include "viewer/shell/entry.h"
#include "viewer/shell/faces.h"
#include "viewer/shell/main_window.h"
#include "viewer/common/main_window_data.h"
#include "viewer/shell/open_picture.h"
#include "viewer/common/settings_names.h"

namespace {

class StartModeTest : public ViewerTest
{
protected:
    std::wstring AddPicture(const wchar_t* pszName, int w, int h, COLORREF cr)
    {
        WriteSolidBmp(m_folder / pszName, w, h, cr);
        return m_folder / pszName;
    }
};

} // namespace

TEST_F(StartModeTest, StartModeOneOpensTheStartPictureInTheViewer)
{
    AddPicture(L"a.bmp", 4, 4, RGB(0, 0, 248));
    std::wstring path = AddPicture(L"beach.bmp", 40, 30, RGB(248, 0, 0));
    Start(1, L"beach.bmp", m_folder.Path());
    MainWindowData* pData = m_pData;

    EXPECT_FALSE(IsWindowVisible(pData->hwndBrowser));
    EXPECT_EQ(2, CountPictures()) << "the folder is listed behind the viewer";
    EXPECT_EQ(PictureByName(L"beach.bmp"), pData->pCurrentEntry);
    EXPECT_EQ(L"beach - Ombrix Viewer", Title());
    EXPECT_EQ(path, g_szPicturePath);
    EXPECT_EQ(m_folder.Path(), g_szBrowsePath);
    ASSERT_NE(nullptr, pData->hbmCurrent);
    EXPECT_EQ(pData->hbmCurrent, pData->pRenderer->GetBitmap());
    BITMAP bm;
    ASSERT_TRUE(GetObjectW(pData->hbmCurrent, sizeof(bm), &bm));
    EXPECT_EQ(40, bm.bmWidth);
    EXPECT_EQ(30, bm.bmHeight);

    // Drawn centred on white at zoom 1.0.
    pData->pRenderer->RenderNow();
    RECT rc;
    GetClientRect(pData->hwndMain, &rc);
    COLORREF centre = WindowPixel(pData->hwndMain, rc.right / 2, rc.bottom / 2);
    EXPECT_GE(GetRValue(centre), 240);
    EXPECT_LE(GetGValue(centre), 8);
    EXPECT_EQ(RGB(255, 255, 255), WindowPixel(pData->hwndMain, 2, 2) | 0x070307);

    Command(IDM_PREVIOUS);
    EXPECT_EQ(PictureByName(L"a.bmp"), pData->pCurrentEntry);
}

TEST_F(StartModeTest, MissingStartPictureShowsWhyInTheViewer)
{
    Start(1, L"gone.JPEG", m_folder.Path());
    MainWindowData* pData = m_pData;

    EXPECT_EQ(L"gone - Ombrix Viewer", Title());
    EXPECT_EQ(nullptr, pData->hbmCurrent);
    EXPECT_EQ(nullptr, pData->pRenderer->GetBitmap());
    std::wstring expected = L"Could not open file:\r\n '" + m_folder.Path() + L"gone.JPEG'";
    EXPECT_EQ(expected, pData->pRenderer->GetMessageText());
    EXPECT_EQ(m_folder.Path(), g_szBrowsePath);

    // The message stands in the middle of the white page.
    pData->pRenderer->RenderNow();
    RECT rc;
    GetClientRect(pData->hwndMain, &rc);
    int nInk = 0;
    for (int y = rc.bottom / 2 - 15; y < rc.bottom / 2 + 15; ++y)
        for (int x = 0; x < rc.right; ++x)
            if (GetGValue(WindowPixel(pData->hwndMain, x, y)) < 100)
                ++nInk;
    EXPECT_GT(nInk, 20);
    EXPECT_EQ(RGB(255, 255, 255), WindowPixel(pData->hwndMain, 2, 2) | 0x070307);
}

TEST_F(StartModeTest, StartModeZeroOpensNothing)
{
    AddPicture(L"beach.bmp", 40, 30, RGB(248, 0, 0));
    Start(0, L"beach.bmp", m_folder.Path());
    EXPECT_EQ(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(m_folder.Path(), g_szPicturePath);
    EXPECT_EQ(L"Ombrix Viewer", Title());
}

TEST_F(StartModeTest, LoaderAppliesTheViewModesAndReplacesThePicture)
{
    std::wstring wide = AddPicture(L"wide.bmp", 1000, 500, RGB(0, 0, 248));
    std::wstring small = AddPicture(L"small.bmp", 100, 50, RGB(0, 248, 0));
    Start();
    MainWindowData* pData = m_pData;
    ShowViewer(pData); // start mode 0 shows the browser
    CRenderer* pRenderer = pData->pRenderer;

    // Centre start position: a small picture gets a negative origin, which
    // the first render clamps.
    pData->nInitialViewPosition = 5;
    ASSERT_EQ(1, OpenPicture(pData, small.c_str()));
    HBITMAP hbmFirst = pData->hbmCurrent;
    ASSERT_NE(nullptr, hbmFirst);
    RECT rc;
    GetClientRect(pData->hwndMain, &rc);
    LONG x, y;
    InitialViewOrigin(pData, hbmFirst, &x, &y);
    EXPECT_EQ(50 - rc.right / 2, x);
    EXPECT_EQ(25 - rc.bottom / 2, y);
    pRenderer->RenderNow();
    EXPECT_EQ(0, pRenderer->GetView().x);
    EXPECT_EQ(0, pRenderer->GetView().y);
    EXPECT_EQ(RGB(7, 255, 7), WindowPixel(pData->hwndMain, rc.right / 2 - 49, rc.bottom / 2) | 0x070307);
    EXPECT_EQ(RGB(255, 255, 255), WindowPixel(pData->hwndMain, rc.right / 2 - 51, rc.bottom / 2) | 0x070307);

    // Fit mode carries over to the next picture, which replaces the first.
    pData->nFitMode = 1;
    ASSERT_EQ(1, OpenPicture(pData, wide.c_str()));
    BITMAP bm;
    EXPECT_FALSE(GetObjectW(hbmFirst, sizeof(bm), &bm)) << "the replaced picture is deleted";
    EXPECT_EQ(1, pRenderer->GetFitToScreen());
    pRenderer->RenderNow();
    EXPECT_DOUBLE_EQ((double)rc.right / 1000, pRenderer->GetZoom());
    EXPECT_EQ(L"wide - Ombrix Viewer", Title());

    // A path too long for the name buffer fails as a whole instead of
    // opening the shorter name it would be cut to.
    std::wstring longPath = wide + std::wstring(MAX_PATH, L'x');
    ASSERT_EQ(1, OpenPicture(pData, longPath.c_str()));
    EXPECT_EQ(nullptr, pData->hbmCurrent);
    EXPECT_EQ(0, wcsncmp(L"Could not open file:\r\n '", pRenderer->GetMessageText(), 24));
}

TEST(PathParts, FolderAndNameOfAPath)
{
    const struct
    {
        const wchar_t* pszPath;
        int bNoExtension, cch;
        const wchar_t* pszName;
    } cases[] = {
        {L"\\My Documents\\beach.JPEG", 1, MAX_PATH, L"beach"}, {L"a.b.jpeg", 1, MAX_PATH, L"a.b"},
        {L"\\x\\.png", 1, MAX_PATH, L""}, {L"\\x\\photo.2bp", 0, MAX_PATH, L"photo.2bp"},
        {L"\\x\\photo.gif", 1, 4, L"pho"}, // cut to the buffer
    };
    wchar_t sz[MAX_PATH];
    for (const auto& c : cases)
    {
        FileNamePart(c.pszPath, c.bNoExtension, sz, c.cch);
        EXPECT_STREQ(c.pszName, sz);
    }
    FolderPart(L"\\My Documents\\beach.jpg", sz, MAX_PATH);
    EXPECT_STREQ(L"\\My Documents\\", sz);
    FolderPart(L"beach.jpg", sz, MAX_PATH);
    EXPECT_STREQ(L"beach.jpg", sz);
}
