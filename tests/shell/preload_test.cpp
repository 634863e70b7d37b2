// The neighbour decoded ahead, on the real main window: Next and Previous
// keep their order; the options sheet, a delete and exit drop it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "tests/support/viewer_fixture.h"
#include "tests/support/window_helpers.h"
#include "viewer/common/main_window_data.h"
#include "viewer/imaging/load/preload_slot.h"
#include "viewer/resources/resource.h"

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

// The options sheet (which may change how pictures decode) and a delete (which
// must not find the file open) drop what the slot holds.
TEST_F(PreloadTest, OptionsAndDeleteDropIt) {
    ASSERT_TRUE(Preloaded(L"b.bmp"));
    bool bEmptyWhileShown = false;
    RunOptionsSheet([&](HWND) { bEmptyWhileShown = Empty(); });
    EXPECT_TRUE(bEmptyWhileShown) << "the options sheet";

    Command(IDM_NEXT);
    ASSERT_TRUE(Preloaded(L"c.bmp"));
    Select({L"e.bmp"});
    ASSERT_TRUE(AnswerDelete(IDCANCEL));
    EXPECT_TRUE(Empty()) << "a delete";
}
