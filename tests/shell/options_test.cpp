// The options sheet on the real main window: what each page shows and writes
// when the sheet closes, and the live objects it changes.
#include <gtest/gtest.h>
#include <string>
#include <windows.h>
#include <commctrl.h>
#include "tests/support/viewer_fixture.h"
#include "tests/support/window_helpers.h"
#include "tests/support/fixtures.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/extras/slideshow/slide_show.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/open_picture.h"

namespace {

const int kPageKey = 1, kPageEtc = 2;

HWND ShowPage(HWND hwndSheet, int nPage) {
    PropSheet_SetCurSel(hwndSheet, NULL, nPage);
    return PropSheet_GetCurrentPageHwnd(hwndSheet);
}

LRESULT ListSelection(HWND hwndPage, int nList) { return SendDlgItemMessageW(hwndPage, nList, CB_GETCURSEL, 0, 0); }

class OptionsTest : public ViewerTest {
protected:
    // Started on an empty key, so what the sheet stores shows alone.
    void Start() { ViewerTest::Start(), DeleteSettingsKey(); }
    // Sets a check box of the Etc page through the sheet; what it showed before.
    UINT SetEtcBox(int nId, bool bChecked) {
        UINT nShown = 99;
        RunOptionsSheet([&](HWND hwndSheet) {
            HWND hwndPage = ShowPage(hwndSheet, kPageEtc);
            nShown = IsDlgButtonChecked(hwndPage, nId);
            CheckDlgButton(hwndPage, nId, bChecked ? BST_CHECKED : BST_UNCHECKED);
        });
        return nShown;
    }
};

} // namespace

// An action outside the table shows as "None"; a choice reaches the key map
// at once, "Set Default" too, and the map reaches the registry only at exit.
TEST_F(OptionsTest, KeyPageShowsTheMapAndSetDefaultKeepsItInMemoryUntilExit) {
    Start();
    g_keyMap.rgAction[0] = 5;
    g_keyMap.rgAction[3] = 40;
    LRESULT nShown1 = -1, nShown4 = -1;
    LONG nAfterChoice = -1;
    RunOptionsSheet([&](HWND hwndSheet) {
        HWND hwndPage = ShowPage(hwndSheet, kPageKey);
        nShown1 = ListSelection(hwndPage, IDC_KEY1);
        nShown4 = ListSelection(hwndPage, IDC_KEY4);
        SendDlgItemMessageW(hwndPage, IDC_KEY2, CB_SETCURSEL, 14, 0);
        SendMessageW(hwndPage, WM_COMMAND, MAKEWPARAM(IDC_KEY2, CBN_SELCHANGE), (LPARAM)GetDlgItem(hwndPage, IDC_KEY2));
        nAfterChoice = g_keyMap.rgAction[1];
        SendDlgItemMessageW(hwndPage, IDC_KEY_DEFAULT, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(5, nShown1);
    EXPECT_EQ(0, nShown4);
    EXPECT_EQ(14, nAfterChoice) << "a choice reaches the key map at once";
    EXPECT_EQ(1, g_keyMap.rgAction[0]);
    EXPECT_EQ(4, g_keyMap.rgAction[3]);
    EXPECT_EQ(99u, RawGetDword(L"Key1", 99)) << "stored only at exit";
    Command(IDM_FILE_EXIT);
    EXPECT_EQ(1u, RawGetDword(SZ_REFINE, 0));
    EXPECT_EQ(2u, RawGetDword(L"Key2", 99));
}

// What the page shows of stored values, and what it stores of what is typed.
TEST_F(OptionsTest, EtcPageShowsStoredValuesAndStoresWhatIsTyped) {
    const struct {
        DWORD dwStoredInterval, dwStoredEffect;
        LPCWSTR pszShownTime;
        LRESULT nShownEffect;
        LPCWSTR pszTyped;
        DWORD dwExpectInterval;
        std::wstring folderTyped, folderStored;
    } rgCases[] = {
        {3000, 4, L"3", 4, L"12", 12000, L"\\Captures", L"\\Captures"},
        // An odd stored effect shows as the default; milliseconds that do not
        // fit 32 bits leave the stored interval; a folder the store would cut
        // (into another folder) is not stored.
        {5000, 99, L"5", 1, L"9999999", 5000, L"\\" + std::wstring(200, L'x'), L"\\Captures"},
    };
    Start();
    for (const auto& c : rgCases) {
        SetSlideshowIntervalTime(c.dwStoredInterval);
        SetSlideshowEffectMethod(c.dwStoredEffect);
        SetSlideshowLoop(0);
        WCHAR szShown[32] = L"";
        LRESULT nEffect = -1;
        RunOptionsSheet([&](HWND hwndSheet) {
            HWND hwndPage = ShowPage(hwndSheet, kPageEtc);
            GetDlgItemTextW(hwndPage, IDC_SLIDE_TIME, szShown, 32);
            nEffect = ListSelection(hwndPage, IDC_SLIDE_EFFECT);
            SetDlgItemTextW(hwndPage, IDC_CAPTURE_FOLDER, c.folderTyped.c_str());
            SetDlgItemTextW(hwndPage, IDC_SLIDE_TIME, c.pszTyped);
            SendDlgItemMessageW(hwndPage, IDC_SLIDE_EFFECT, CB_SETCURSEL, 5, 0);
            CheckDlgButton(hwndPage, IDC_SLIDE_LOOP, BST_CHECKED);
            SendDlgItemMessageW(hwndPage, IDC_ZOOM_QUALITY, CB_SETCURSEL, 0, 0);
        });
        SCOPED_TRACE(c.dwStoredInterval);
        EXPECT_STREQ(c.pszShownTime, szShown);
        EXPECT_EQ(c.nShownEffect, nEffect);
        WCHAR szFolder[SETTING_TEXT_MAX_CHARS + 1];
        GetScreenCaptureSaveFolder(szFolder);
        EXPECT_EQ(c.folderStored, szFolder);
        EXPECT_EQ(c.dwExpectInterval, RawGetDword(SZ_SLIDESHOW_INTERVAL_TIME, 1));
        EXPECT_EQ(5u, RawGetDword(SZ_SLIDESHOW_EFFECT_METHOD, 99));
        EXPECT_EQ(1u, RawGetDword(SZ_SLIDESHOW_LOOP, 99));
        EXPECT_EQ(0u, RawGetDword(SZ_VIEWER_ZOOM_QUALITY, 99));
        EXPECT_EQ(c.dwExpectInterval, m_pData->pSlideShow->GetIntervalTime());
        EXPECT_EQ(1, m_pData->bSlideshowLoop);
        EXPECT_EQ(0, m_pData->pRenderer->GetHighQuality());
    }
}

// The Etc page's picture switches: "Rotate by camera orientation" (a stored
// value other than 0 shows checked) and "Colour-manage pictures" (checked by
// default). A change is stored as 0 or 1, reaches the shown picture at once
// (cam6.jpg upright, the ProPhoto picture in its sRGB colours) and sends the
// thumbnails made before it back to be made.
TEST_F(OptionsTest, PictureSwitchesApplyAtOnce) {
    const struct {
        const wchar_t* pszFile;
        int nBox;
        const wchar_t* pszSetting;
        std::function<bool(HBITMAP)> shownSo;
        BOOL (*pfnThumbsSo)(void);
    } switches[] = {
        {L"cam6.jpg", IDC_AUTO_ROTATE, SZ_AUTO_ROTATE, [](HBITMAP hbm) {
             return BitmapSize(hbm) == Dims(320, 240) && Near(PixelAt(hbm, 80, 60), 0xFF0000, 40); },
         AreThumbsUpright},
        {L"prophoto.jpg", IDC_COLOR_MANAGE, SZ_COLOR_MANAGE,
         [](HBITMAP hbm) { return Near(PixelAt(hbm, 16, 12), 0xC83C28, 6); }, AreThumbsColourManaged},
    };
    for (const auto& c : switches)
        m_folder.Write(c.pszFile, ReadFixture(c.pszFile));
    Start();
    RawSetDword(SZ_AUTO_ROTATE, 7);
    for (const auto& c : switches) {
        ASSERT_EQ(1, OpenPicture(m_pData, (m_folder / c.pszFile).c_str()));
        EXPECT_TRUE(c.shownSo(m_pData->hbmCurrent)) << "at first";
        for (const bool bOn : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.nBox << (bOn ? " on" : " off"));
            PictureEntry* pEntry = FirstPicture();
            ASSERT_NE(nullptr, pEntry);
            pEntry->hbmThumb = MakeDib(8, 8, 24);
            SetPictureProcessed(pEntry, TRUE);
            EXPECT_EQ(bOn ? BST_UNCHECKED : BST_CHECKED, SetEtcBox(c.nBox, bOn));
            EXPECT_EQ(bOn ? 1u : 0u, RawGetDword(c.pszSetting, 99));
            ASSERT_NE(nullptr, m_pData->hbmCurrent);
            EXPECT_EQ(bOn, c.shownSo(m_pData->hbmCurrent));
            EXPECT_EQ(bOn, c.pfnThumbsSo() != FALSE);
            EXPECT_EQ(nullptr, pEntry->hbmThumb);
            EXPECT_EQ(0, pEntry->bProcessed);
        }
    }
}
