// The options sheet on the real main window: what each page shows and
// writes when the sheet closes, the live objects it changes, and the
// position picker's taps and pixels, with and without the sample picture.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <windows.h>

#include <commctrl.h>

#include "platform/aygshell/aygshell.h"
#include "viewer_fixture.h"
#include "window_test_support.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/extras/raster_image.h"
#include "viewer/extras/slide_show.h"
#include "viewer/imaging/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/main_window.h"
#include "viewer/shell/options_sheet.h"
#include "viewer/shell/screen_chrome.h"

namespace {

const int kPageKey = 1, kPageEtc = 2;
const BYTE kSampleGrey = 200;

// The modal sheet: the owner's window with a tab control.
HWND FindSheet(HWND hwndOwner)
{
    for (HWND hwnd = GetWindow(GetDesktopWindow(), GW_CHILD); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
        if (GetWindow(hwnd, GW_OWNER) == hwndOwner && PropSheet_GetTabControl(hwnd))
            return hwnd;
    return NULL;
}

// Laid out: the tab control fills the sheet's client area.
bool IsLaidOut(HWND hwndSheet)
{
    RECT rcClient, rcTab;
    GetClientRect(hwndSheet, &rcClient);
    GetWindowRect(PropSheet_GetTabControl(hwndSheet), &rcTab);
    return rcTab.right - rcTab.left == rcClient.right && rcTab.bottom - rcTab.top == rcClient.bottom;
}

bool HasValue(LPCWSTR pszName)
{
    DWORD dwType = 0;
    std::wstring data;
    return RawGetValue(pszName, &dwType, &data);
}

bool IsGrey(COLORREF cr, int v)
{
    return ColoursNear(cr, RGB(v, v, v), 12);
}

class OptionsTest : public ViewerTest
{
protected:
    // A grey 120 x 120 JPEG as the sample picture beside this program.
    void SetUp() override
    {
        ViewerTest::SetUp();
        WCHAR szPath[MAX_PATH];
        ASSERT_TRUE(GetSamplePicturePath(szPath, MAX_PATH));
        m_samplePath = szPath;
        RasterImage* pImage = CreateImage(120, 120, 24, RIF_BOTTOM_UP);
        ASSERT_NE(nullptr, pImage);
        memset(pImage->pixels, kSampleGrey, static_cast<size_t>(pImage->imageSize));
        const std::wstring jpeg = m_samplePath + L".jpg";
        ASSERT_EQ(0, SaveImage(pImage, jpeg.c_str()));
        FreeImage(pImage);
        ASSERT_TRUE(MoveFileExW(jpeg.c_str(), m_samplePath.c_str(), MOVEFILE_REPLACE_EXISTING));
    }
    void TearDown() override
    {
        ViewerTest::TearDown();
        DeleteFileW(m_samplePath.c_str());
    }

    // Starts the program; with pictures, in the viewer on the first one.
    void Start(bool bPictures = false)
    {
        if (bPictures)
            for (const wchar_t* pszName : {L"a.bmp", L"b.bmp"})
                WriteSolidBmp(m_folder / pszName, 300, 300, RGB(255, 0, 0));
        ViewerTest::Start(bPictures ? 1 : 0, bPictures ? L"a.bmp" : L"");
        if (!bPictures)
            DeleteSettingsKey(); // what the sheet stores shows alone
    }

    // Opens the sheet with "&Option", runs during() from another thread once
    // it is laid out, then closes it through the shell's "ok", as a user does.
    void RunSheet(const std::function<void(HWND)>& during)
    {
        const HWND hwndOwner = m_hwnd;
        EXPECT_TRUE(WhileWindowShows([=] { return FindSheet(hwndOwner); },
                                     [&](HWND hwndSheet) {
                                         EXPECT_TRUE(PollUntil([=] { return IsLaidOut(hwndSheet); }));
                                         during(hwndSheet);
                                         PostMessageW(hwndSheet, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                                     },
                                     [&] { Command(IDM_OPTION); }, 10000))
            << "the sheet never came up";
    }

    static HWND ShowPage(HWND hwndSheet, int nPage)
    {
        PropSheet_SetCurSel(hwndSheet, NULL, nPage);
        return PropSheet_GetCurrentPageHwnd(hwndSheet);
    }

    static LRESULT ListSelection(HWND hwndPage, int nList)
    {
        return SendDlgItemMessageW(hwndPage, nList, CB_GETCURSEL, 0, 0);
    }

    // A real tap on the picker; the position it chose, once painted.
    LONG TapPicker(HWND hwndPicker, int x, int y)
    {
        const LONG nBefore = m_pData->nInitialViewPosition;
        POINT pt = {x, y};
        ClientToScreen(hwndPicker, &pt);
        ClickAt(pt.x, pt.y);
        EXPECT_TRUE(PollUntil([&] { return m_pData->nInitialViewPosition != nBefore; })) << x << "," << y;
        UpdateWindow(hwndPicker);
        return m_pData->nInitialViewPosition;
    }

    std::wstring m_samplePath;
};

} // namespace

// The sheet fills the screen between the shell's bar and the empty options
// bar, its own buttons hidden and the tabs below the page; closed at once it
// stores the start page alone and gives the face back its bar.
TEST_F(OptionsTest, OpeningAndClosingAtOnceWritesOnlyTheStartPage)
{
    Start();
    m_pData->nInitialViewPosition = 7;
    RECT rcSheet = {}, rcItem = {}, rcPage = {}, rcTop = {}, rcBar = {};
    bool bButtonsHidden = false;
    RunSheet([&](HWND hwndSheet) {
        GetWindowRect(hwndSheet, &rcSheet);
        GetWindowRect(OmbrixTopBar(), &rcTop);
        GetWindowRect(m_pData->hwndOptionsMenuBar, &rcBar);
        HWND hwndTab = PropSheet_GetTabControl(hwndSheet);
        TabCtrl_GetItemRect(hwndTab, 0, &rcItem);
        MapWindowPoints(hwndTab, NULL, reinterpret_cast<POINT*>(&rcItem), 2);
        GetWindowRect(PropSheet_GetCurrentPageHwnd(hwndSheet), &rcPage);
        bButtonsHidden = !IsWindowVisible(GetDlgItem(hwndSheet, IDOK)) &&
                         !IsWindowVisible(GetDlgItem(hwndSheet, IDCANCEL)) &&
                         IsWindowVisible(m_pData->hwndOptionsMenuBar);
    });
    EXPECT_EQ(rcTop.bottom, rcSheet.top);
    EXPECT_EQ(rcBar.top, rcSheet.bottom);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rcSheet.right - rcSheet.left);
    EXPECT_TRUE(bButtonsHidden);
    EXPECT_GE(rcItem.top, rcPage.bottom - 2) << "the page sits above the tabs";
    EXPECT_GE(rcPage.right - rcPage.left, 220) << "the page fills the sheet's width";

    EXPECT_EQ(0u, RawGetDword(SZ_START_MODE, 99));
    EXPECT_EQ(7u, RawGetDword(SZ_INITIAL_VIEW_POSITION, 99));
    for (LPCWSTR pszName : {SZ_SLIDESHOW_INTERVAL_TIME, SZ_SLIDESHOW_EFFECT_METHOD, SZ_SLIDESHOW_LOOP,
                            SZ_SLIDESHOW_DIRECTION, SZ_SCREENCAPTURE_SAVE_FOLDER, SZ_VIEWER_ZOOM_QUALITY, L"Key1"})
        EXPECT_FALSE(HasValue(pszName)) << pszName;
    EXPECT_TRUE(IsBrowserVisible(m_pData));
    EXPECT_FALSE(IsWindowVisible(m_pData->hwndOptionsMenuBar));
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_REPORT), GetShownMenuBar());
}

TEST_F(OptionsTest, ClosingStopsARunningSlideshowOnlyOnceTheEtcPageWasShown)
{
    SetSlideshowIntervalTime(30000); // no change happens while the sheet is up
    Start(true);
    CSlideShow* pShow = m_pData->pSlideShow;
    for (bool bShowEtc : {false, true})
    {
        Command(IDM_SLIDESHOW_START);
        ASSERT_EQ(SLIDESHOW_WAITING, pShow->GetState());
        RunSheet([&](HWND hwndSheet) {
            if (bShowEtc)
                ShowPage(hwndSheet, kPageEtc);
        });
        EXPECT_EQ(bShowEtc ? SLIDESHOW_STOPPED : SLIDESHOW_WAITING, pShow->GetState()) << bShowEtc;
        EXPECT_FALSE(IsBrowserVisible(m_pData)) << "back in the viewer";
    }
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER), GetShownMenuBar()) << "the start button is back";
}

// An action outside the table shows as "None"; choices reach the key map at
// once, and the map reaches the registry only at exit.
TEST_F(OptionsTest, KeyPageShowsTheMapAndSetDefaultKeepsItInMemoryUntilExit)
{
    Start();
    const LONG rgOdd[KEYMAP_KEYS] = {5, 6, 7, 8, 40};
    for (int k = 0; k < KEYMAP_KEYS; ++k)
        g_keyMap.rgAction[k] = rgOdd[k];
    const int rgLists[KEYMAP_KEYS] = {IDC_KEY1, IDC_KEY2, IDC_KEY3, IDC_KEY4, IDC_KEY5};
    LRESULT rgShown[KEYMAP_KEYS] = {};
    bool bKey5Hidden = false;
    LONG nAfterChoice = -1;
    RunSheet([&](HWND hwndSheet) {
        HWND hwndPage = ShowPage(hwndSheet, kPageKey);
        for (int k = 0; k < KEYMAP_KEYS; ++k)
            rgShown[k] = ListSelection(hwndPage, rgLists[k]);
        bKey5Hidden = !IsWindowVisible(GetDlgItem(hwndPage, IDC_KEY5));
        SendDlgItemMessageW(hwndPage, IDC_KEY2, CB_SETCURSEL, 14, 0);
        SendMessageW(hwndPage, WM_COMMAND, MAKEWPARAM(IDC_KEY2, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(hwndPage, IDC_KEY2)));
        nAfterChoice = g_keyMap.rgAction[1];
        SendDlgItemMessageW(hwndPage, IDC_KEY_DEFAULT, BM_CLICK, 0, 0);
    });
    const LRESULT rgExpectShown[KEYMAP_KEYS] = {5, 6, 7, 8, 0};
    const LONG rgDefaults[KEYMAP_KEYS] = {1, 2, 3, 4, 0};
    for (int k = 0; k < KEYMAP_KEYS; ++k)
    {
        EXPECT_EQ(rgExpectShown[k], rgShown[k]) << "Key" << k + 1;
        EXPECT_EQ(rgDefaults[k], g_keyMap.rgAction[k]);
    }
    EXPECT_TRUE(bKey5Hidden);
    EXPECT_EQ(14, nAfterChoice) << "a choice reaches the key map at once";
    EXPECT_FALSE(HasValue(L"Key1")) << "stored only at exit";

    Command(IDM_FILE_EXIT);
    EXPECT_EQ(1u, RawGetDword(SZ_REFINE, 0));
    EXPECT_EQ(2u, RawGetDword(L"Key2", 99));
}

// Stored values, what the page shows, what the user types, what is stored
// and what the live objects take.
TEST_F(OptionsTest, EtcPageShowsStoredValuesAndStoresWhatIsTyped)
{
    struct Case
    {
        DWORD dwStoredInterval, dwStoredEffect, dwStoredQuality;
        LPCWSTR pszShownTime;
        LRESULT nShownEffect, nShownQuality;
        LPCWSTR pszTyped; // null: left as shown
        DWORD dwExpectInterval;
        std::wstring folderTyped, folderStored;
    };
    const std::wstring tooLong = L"\\" + std::wstring(200, L'x');
    const Case rgCases[] = {
        {3000, 4, 0, L"3", 4, 0, L"12", 12000, L"\\Captures", L"\\Captures"},
        // Odd stored values show as the defaults, not as an empty list.
        {7000, 99, 7, L"7", 1, 1, nullptr, 7000, L"\\Shots", L"\\Shots"},
        // Milliseconds that do not fit 32 bits leave the stored interval; a
        // folder the store would cut (into another folder) is not stored.
        {5000, 2, 1, L"5", 2, 1, L"9999999", 5000, tooLong, L"\\Shots"},
        {5000, 2, 1, L"5", 2, 1, L"0", 0, L"", L""},
    };
    Start();
    for (const Case& c : rgCases)
    {
        SetSlideshowIntervalTime(c.dwStoredInterval);
        SetSlideshowEffectMethod(c.dwStoredEffect);
        SetViewerZoomQuality(c.dwStoredQuality);
        SetSlideshowLoop(0);
        SetSlideshowDirection(0);
        WCHAR szShown[32] = L"";
        LRESULT nEffect = -1, nQuality = -1, nRange = 0, nFolderLimit = 0;
        RunSheet([&](HWND hwndSheet) {
            HWND hwndPage = ShowPage(hwndSheet, kPageEtc);
            GetDlgItemTextW(hwndPage, IDC_SLIDE_TIME, szShown, 32);
            nEffect = ListSelection(hwndPage, IDC_SLIDE_EFFECT);
            nQuality = ListSelection(hwndPage, IDC_ZOOM_QUALITY);
            nRange = SendDlgItemMessageW(hwndPage, IDC_SLIDE_SPIN, UDM_GETRANGE, 0, 0);
            nFolderLimit = SendDlgItemMessageW(hwndPage, IDC_CAPTURE_FOLDER, EM_GETLIMITTEXT, 0, 0);
            SetDlgItemTextW(hwndPage, IDC_CAPTURE_FOLDER, c.folderTyped.c_str());
            if (c.pszTyped)
                SetDlgItemTextW(hwndPage, IDC_SLIDE_TIME, c.pszTyped);
            SendDlgItemMessageW(hwndPage, IDC_SLIDE_EFFECT, CB_SETCURSEL, 5, 0);
            CheckRadioButton(hwndPage, IDC_SLIDE_FORWARD, IDC_SLIDE_BACKWARD, IDC_SLIDE_BACKWARD);
            CheckDlgButton(hwndPage, IDC_SLIDE_LOOP, BST_CHECKED);
            SendDlgItemMessageW(hwndPage, IDC_ZOOM_QUALITY, CB_SETCURSEL, 0, 0);
        });
        SCOPED_TRACE(c.dwStoredInterval);
        EXPECT_STREQ(c.pszShownTime, szShown);
        EXPECT_EQ(c.nShownEffect, nEffect);
        EXPECT_EQ(c.nShownQuality, nQuality);
        EXPECT_EQ(MAKELONG(30, 1), nRange) << "1 to 30 seconds";
        EXPECT_EQ(static_cast<LRESULT>(SETTING_TEXT_MAX_CHARS), nFolderLimit) << "what the store keeps";
        WCHAR szFolder[SETTING_TEXT_MAX_CHARS + 1];
        GetScreenCaptureSaveFolder(szFolder);
        EXPECT_EQ(c.folderStored, szFolder);

        EXPECT_EQ(c.dwExpectInterval, RawGetDword(SZ_SLIDESHOW_INTERVAL_TIME, 1));
        EXPECT_EQ(5u, RawGetDword(SZ_SLIDESHOW_EFFECT_METHOD, 99));
        EXPECT_EQ(1u, RawGetDword(SZ_SLIDESHOW_DIRECTION, 99));
        EXPECT_EQ(1u, RawGetDword(SZ_SLIDESHOW_LOOP, 99));
        EXPECT_EQ(0u, RawGetDword(SZ_VIEWER_ZOOM_QUALITY, 99));
        EXPECT_EQ(c.dwExpectInterval, m_pData->pSlideShow->GetIntervalTime());
        EXPECT_EQ(5u, m_pData->pSlideShow->GetEffectMethod());
        EXPECT_EQ(1, m_pData->nSlideshowDirection);
        EXPECT_EQ(1, m_pData->bSlideshowLoop);
        EXPECT_EQ(0, m_pData->pRenderer->GetHighQuality());
    }
}

// Taps choose positions column by column; the chosen cell shows at full
// brightness with a white outline, the others darkened over a black grid.
TEST_F(OptionsTest, PickerTapChoosesTheCellAndShowsItBright)
{
    for (bool bSample : {true, false})
    {
        SCOPED_TRACE(bSample ? "sample" : "no sample");
        if (!bSample)
            DeleteFileW(m_samplePath.c_str());
        Start();
        COLORREF crCentre = 0, crCorner = 0, crOutline = 0, crGrid = 0;
        LONG nCentre = 0, nRightBottom = 0, nLeftMiddle = 0;
        RunSheet([&](HWND hwndSheet) {
            HWND hwndPicker = GetDlgItem(PropSheet_GetCurrentPageHwnd(hwndSheet), IDC_VIEW_POSITION);
            nCentre = TapPicker(hwndPicker, 60, 60);
            crCentre = WindowPixel(hwndPicker, 60, 60);
            crCorner = WindowPixel(hwndPicker, 20, 20);
            crOutline = WindowPixel(hwndPicker, 40, 60);
            crGrid = WindowPixel(hwndPicker, 20, 80);
            nRightBottom = TapPicker(hwndPicker, 115, 115);
            nLeftMiddle = TapPicker(hwndPicker, 5, 50);
        });
        EXPECT_EQ(5, nCentre);
        EXPECT_EQ(9, nRightBottom);
        EXPECT_EQ(2, nLeftMiddle);
        EXPECT_EQ(2u, RawGetDword(SZ_INITIAL_VIEW_POSITION, 99));
        EXPECT_TRUE(IsGrey(crOutline, 255)) << std::hex << crOutline;
        EXPECT_TRUE(IsGrey(crGrid, 0)) << std::hex << crGrid;
        if (bSample)
        {
            EXPECT_TRUE(IsGrey(crCentre, kSampleGrey)) << std::hex << crCentre;
            EXPECT_TRUE(IsGrey(crCorner, kSampleGrey * 70 / 100)) << std::hex << crCorner;
        }
        else
            EXPECT_EQ(crCentre, crCorner) << "a bare grid on the button face";
        DestroyWindow(m_hwnd);
    }
}
