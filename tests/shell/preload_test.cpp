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
// before, titled and sized as its file, and taking it from the slot where the
// step goes on the way of the last. Exit ends a decode under way.
TEST_F(PreloadTest, NextAndPreviousKeepTheirOrderFromTheSlotAndExitEndsTheDecode) {
    const struct { WORD wCommand; int nFirst, nLast, nStep; bool bAhead; } walks[] = {
        {IDM_NEXT, 1, 4, 1, true}, {IDM_NEXT, 4, 4, 1, false}, {IDM_PREVIOUS, 3, 3, -1, false},
        {IDM_PREVIOUS, 2, 0, -1, true}};
    for (const auto& w : walks)
        for (int i = w.nFirst; i != w.nLast + w.nStep; i += w.nStep) {
            if (w.bAhead) {
                ASSERT_TRUE(Preloaded(kNames[i])) << kNames[i];
            }
            Command(w.wCommand);
            EXPECT_EQ(kNames[i], CurrentName());
            EXPECT_EQ(Width(i), CurrentWidth());
            EXPECT_EQ(std::wstring(kNames[i]).substr(0, 1) + L" - Ombrix Viewer", Title());
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
