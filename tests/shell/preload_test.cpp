// The neighbour decoded ahead, on the real main window: Next and Previous
// keep their order and take it only while the file is unchanged; leaving the
// viewer, a folder change, a delete, the options sheet and exit drop it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "tests/support/viewer_fixture.h"
#include "tests/support/window_helpers.h"
#include "viewer/browser/dir_tree.h"
#include "viewer/common/main_window_data.h"
#include "viewer/imaging/load/preload_slot.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/faces.h"

namespace {

const wchar_t* const kNames[] = {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp", L"e.bmp"};
const int kCount = 5;

class PreloadTest : public ViewerTest {
protected:
    // Five pictures told apart by their widths, a.bmp shown.
    void SetUp() override {
        ViewerTest::SetUp();
        for (int i = 0; i < kCount; ++i)
            WriteSolidBmp(m_folder / kNames[i], Width(i), 30, RGB(200, 40 * i, 40));
        Start(1, L"a.bmp");
    }
    static int Width(int i) { return 40 + 10 * i; }
    CPreloadSlot* Slot() const { return m_pData->pPreload; }
    // Waits until the slot holds the decoded picture named pszName.
    bool Preloaded(const wchar_t* pszName) const {
        const std::wstring path = NoDrive(m_folder / pszName);
        return PollUntil([&] { return _wcsicmp(Slot()->GetPath(), path.c_str()) == 0 && Slot()->HasPicture(); });
    }
    bool Empty() const { return !Slot()->HasPicture() && !Slot()->GetPath()[0]; }
    int CurrentWidth() const { return BitmapSize(m_pData->hbmCurrent).first; }
};

} // namespace

// Forward to the end and back again, each step opening the picture it opened
// before, titled and sized as its file; each step the same way finds its
// picture already decoded. Exit ends a decode under way.
TEST_F(PreloadTest, NextAndPreviousKeepTheirOrderFindTheNeighbourDecodedAndExitEndsIt) {
    ASSERT_EQ(L"a.bmp", CurrentName());
    for (int i = 1; i < kCount; ++i) {
        ASSERT_TRUE(Preloaded(kNames[i])) << "after " << kNames[i - 1];
        Command(IDM_NEXT);
        EXPECT_EQ(kNames[i], CurrentName());
        EXPECT_EQ(Width(i), CurrentWidth());
        EXPECT_EQ(std::wstring(kNames[i]).substr(0, 1) + L" - Ombrix Viewer", Title());
    }
    EXPECT_TRUE(Empty()) << "nothing lies beyond the last picture";
    Command(IDM_NEXT);
    EXPECT_EQ(L"e.bmp", CurrentName());
    for (int i = kCount - 2; i >= 0; --i) {
        if (i < kCount - 2) {
            ASSERT_TRUE(Preloaded(kNames[i])) << "after " << kNames[i + 1];
        }
        Command(IDM_PREVIOUS);
        EXPECT_EQ(kNames[i], CurrentName());
        EXPECT_EQ(Width(i), CurrentWidth());
    }

    // Exit while the next decode is under way or waiting for its render.
    Command(IDM_NEXT);
    ASSERT_FALSE(Empty());
    DestroyWindow(m_hwnd);
    EXPECT_EQ(nullptr, GetMainWindowData()) << "exit ended the worker and freed the record";
}

// Next takes an unchanged file from the slot: new contents of the same size
// under the old write time still show the old pixels. (Which changes refuse
// it is the slot's own test.)
TEST_F(PreloadTest, NextTakesAnUnchangedFileFromTheSlot) {
    ASSERT_TRUE(Preloaded(L"b.bmp"));
    const std::wstring path = m_folder / L"b.bmp";
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    WriteSolidBmp(path, Width(1), 30, RGB(0, 0, 255));
    SetWriteTime(path, data.ftLastWriteTime);
    Command(IDM_NEXT);
    EXPECT_TRUE(Near(0xC82828, PixelAt(m_pData->hbmCurrent, 10, 10), 8)) << "taken from the slot";
}

// Each of these drops what the slot holds.
TEST_F(PreloadTest, OptionsDeleteLeavingTheViewerAndAFolderChangeDropIt) {
    ASSERT_TRUE(Preloaded(L"b.bmp"));
    bool bEmptyWhileShown = false;
    RunOptionsSheet([&](HWND) { bEmptyWhileShown = Empty(); });
    EXPECT_TRUE(bEmptyWhileShown) << "the options sheet";

    Command(IDM_NEXT);
    ASSERT_TRUE(Preloaded(L"c.bmp"));
    Select({L"e.bmp"});
    ASSERT_TRUE(AnswerDelete(IDCANCEL));
    EXPECT_TRUE(Empty()) << "a delete";

    Command(IDM_NEXT);
    ASSERT_TRUE(Preloaded(L"d.bmp"));
    Command(IDM_OPEN);
    EXPECT_TRUE(Empty()) << "back to the browser";

    ShowViewer(m_pData);
    Command(IDM_NEXT);
    ASSERT_EQ(L"d.bmp", CurrentName());
    ASSERT_TRUE(Preloaded(L"e.bmp"));
    HWND hwndTree = GetDirectoryTreeWindow();
    TreeView_SelectItem(hwndTree, TreeView_GetRoot(hwndTree));
    EXPECT_TRUE(Empty()) << "a folder change";
}
