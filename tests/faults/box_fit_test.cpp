// Every box and dialog of the viewer, opened on the real main window: each
// fits the 240 x 320 screen between the shell's top bar and the menu bar,
// and the full-screen pages lie over the menu bar. Message boxes keep their
// texts, broken into lines.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>
#include "tests/support/exif_blocks.h"
#include "tests/support/pictures.h"
#include "tests/support/viewer_fixture.h"
#include "tests/support/window_helpers.h"
#include "viewer/browser/folder_dialog.h"
#include "viewer/common/image_error.h"
#include "viewer/common/settings_names.h"
#include "viewer/extras/capture/screen_capture.h"
#include "viewer/extras/slideshow/slide_show.h"
#include "viewer/resources/resource.h"

namespace {

struct Box {
    RECT rc;
    std::wstring caption, text; // text: its static texts, one after another
    bool bOverMenuBar;          // the middle of the menu bar belongs to it
    bool bIcon;                 // it shows an icon
};

Box Read(HWND hwnd) {
    Box box = {};
    WCHAR sz[512];
    GetWindowRect(hwnd, &box.rc);
    box.caption = WindowText(hwnd);
    for (HWND h = GetWindow(hwnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (GetClassNameW(h, sz, 512) && !_wcsicmp(sz, L"Static")) {
            box.text += WindowText(h);
            box.bIcon |= (GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && SendMessageW(h, STM_GETICON, 0, 0);
        }
    box.bOverMenuBar = GetAncestor(WindowFromPoint({120, 320 - 13}), GA_ROOT) == hwnd;
    return box;
}

std::wstring Letters(std::wstring s) {
    s.erase(std::remove_if(s.begin(), s.end(), [](wchar_t c) { return c == L' ' || c == L'\r' || c == L'\n'; }),
            s.end());
    return s;
}

// The box lies within x 0..240 and y 26..nBottom.
::testing::AssertionResult Within(const Box& box, LONG nBottom = 320 - 26) {
    const RECT& rc = box.rc;
    if (rc.left >= 0 && rc.right <= 240 && rc.top >= 26 && rc.bottom <= nBottom)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << testing::PrintToString(box.caption) << " at (" << rc.left << ", "
                                         << rc.top << ")-(" << rc.right << ", " << rc.bottom << ")";
}

class BoxFitTest : public ViewerTest {
protected:
    // Runs open() while another thread takes each box that comes up (once it
    // is the foreground window, placed) and presses the next button in it.
    std::vector<Box> Run(const std::function<void()>& open, std::vector<int> buttons) {
        std::vector<Box> boxes;
        std::atomic<bool> bDone{false};
        std::thread watcher([&, dwThread = GetCurrentThreadId()] {
            HWND hwndLast = NULL, hwnd = NULL;
            for (int nButton : buttons) {
                if (!PollUntil([&] { return (hwnd = VisibleDialog(dwThread)) && hwnd != hwndLast &&
                                            GetForegroundWindow() == hwnd; })) {
                    if ((hwnd = VisibleDialog(dwThread)))
                        PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0); // never hang the test in a modal loop
                    break;
                }
                boxes.push_back(Read(hwnd));
                PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED), 0);
                hwndLast = hwnd;
            }
            bDone = true;
        });
        open();
        PumpUntil([&] { return bDone.load(); }, 15000);
        watcher.join();
        return boxes;
    }
    Box RunOne(const std::function<void()>& open, int nButton = IDOK) {
        const std::vector<Box> boxes = Run(open, {nButton});
        return boxes.empty() ? Box{} : boxes[0];
    }
};

const PixelFn Grey = Plain(0x808080);

} // namespace

// Capture failure with a long folder, the longest error text (a box called
// ERROR with its icon, which clears the code), the slideshow's failure, and
// Delete's question and its refusal.
TEST_F(BoxFitTest, MessageBoxesFitBetweenTheBarsWithTheirTextsWhole) {
    const std::wstring folder = L"\\My Documents\\Pictures of the summer holidays\\Captures";
    RawSetText(SZ_SCREENCAPTURE_SAVE_FOLDER, folder);
    m_folder.Write(L"a.jpg", MakeJpeg(40, 30, JPEG_RGB, Grey));
    m_folder.Write(L"held.jpg", MakeJpeg(40, 30, JPEG_RGB, Grey));
    Start(1, L"a.jpg");
    // A target window that is gone: the show cannot make its frames.
    HWND hwndGone = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    DestroyWindow(hwndGone);
    CSlideShow* pShow = CSlideShow::GetInstance();
    const struct {
        const wchar_t* pszText;
        std::function<void()> open;
    } cases[] = {
        {L"The screen could not be saved in\r\n", [&] { ShowCaptureFailure(m_pData); }},
        {ImageErrorTextOf(IMGERR_ICON_SIZE), [] { SetImageError(IMGERR_ICON_SIZE), ShowImageError(); }},
        {L"[SlideShow] Could not allocate BITMAP Handle", [&] {
             pShow->SetIntervalTime(10);
             pShow->PrepareFrames(hwndGone);
             pShow->StartShow();
         }},
    };
    ClearImageError();
    ShowImageError();   // no code: nothing to show, so this returns at once
    for (const auto& c : cases) {
        const Box box = RunOne(c.open);
        EXPECT_TRUE(Within(box));
        const std::wstring text = c.pszText == cases[0].pszText ? c.pszText + folder : c.pszText;
        EXPECT_EQ(Letters(text), Letters(box.text)) << "a message changed beyond its line breaks";
        if (c.pszText == cases[1].pszText) {
            EXPECT_TRUE(box.caption == L"ERROR" && box.bIcon && GetImageError() == 0);
        }
    }
    pShow->StopShow();

    // Delete in the browser: the question, then for a file in use the
    // answer that it stays, with its row.
    Command(IDM_OPEN);
    Select({L"held.jpg"});
    EXPECT_TRUE(Within(RunOne([&] { Command(IDM_DELETE); }, IDCANCEL)));
    HANDLE hHeld = CreateFileW(m_folder.Path(L"held.jpg").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    const std::vector<Box> boxes = Run([&] { Command(IDM_DELETE); }, {IDOK, IDOK});
    CloseHandle(hHeld);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(Letters(L"held.jpg could not be deleted."), Letters(boxes[1].text));
    for (const Box& box : boxes)
        EXPECT_TRUE(Within(box));
    EXPECT_TRUE(FileExists(m_folder.Path(L"held.jpg")));
    EXPECT_NE(-1, RowOf(L"held.jpg"));
}

// The file information, plain and with the camera lines, the capture
// window and the options sheet between the bars; About and the folder
// dialog are pages of the whole screen below the top bar.
TEST_F(BoxFitTest, DialogsFitBetweenTheBarsAndPagesCoverTheMenuBar) {
    ExifBlockBuilder camera;
    camera.Camera(1, "2021:07:14 15:05:33", "Canon", "Canon PowerShot A520");
    const Bytes picture = MakeJpeg(40, 30, JPEG_RGB, Grey);
    m_folder.Write(L"camera.jpg", WithApp1(picture, camera.Block()));
    m_folder.Write(L"plain.jpg", picture);
    Start();
    for (const wchar_t* pszName : {L"plain.jpg", L"camera.jpg"}) {
        Select({pszName});
        const Box box = RunOne([&] { Command(IDM_INFORMATION); });
        EXPECT_TRUE(Within(box)) << testing::PrintToString(std::wstring(pszName));
    }
    EXPECT_TRUE(Within(RunOne([&] { Command(IDM_SCREEN_CAPTURE); }, IDCANCEL)));
    DestroyWindow(m_pData->hwndCapture);
    RunOptionsSheet([](HWND hwndSheet) {
        Box sheet = {};
        GetWindowRect(hwndSheet, &sheet.rc);
        EXPECT_TRUE(Within(sheet));
    });
    WCHAR szFolder[MAX_PATH] = L"\\";
    const Box pages[] = {RunOne([&] { Command(IDM_ABOUT); }),
                         RunOne([&] { SelectFolderDialog(m_hwnd, szFolder, MAX_PATH); }, IDCANCEL)};
    for (const Box& page : pages) {
        EXPECT_TRUE(Within(page, 320));
        EXPECT_TRUE(page.bOverMenuBar) << testing::PrintToString(page.caption);
    }
}
