// The thumbnail worker with a recording maker in place of the real one.
#include <gtest/gtest.h>
#include <windows.h>
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>
#include "tests/support/files.h"
#include "tests/support/window_helpers.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_bound.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/shared_paths.h"

namespace {

typedef std::vector<std::wstring> Names;

// What the maker saw; at an entry it steers the worker, fails, or holds it until released.
struct Recorder {
    Names made;
    std::map<std::wstring, std::wstring> steerAfter; // made name -> steer target
    std::wstring undecodable, holdAt;
    HANDLE hHeld = CreateEventW(NULL, TRUE, FALSE, NULL), hRelease = CreateEventW(NULL, TRUE, FALSE, NULL), hThread = NULL;
} * g_pRecorder;

void RecordingMaker(CImageDecoder*, PictureEntry* pEntry, LPCWSTR) {
    Recorder& r = *g_pRecorder;
    if (!r.hThread)
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &r.hThread,
                        SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, 0);
    if (r.holdAt == pEntry->szName) {
        SetEvent(r.hHeld);
        WaitForSingleObject(r.hRelease, 20000);
    }
    if (r.undecodable != pEntry->szName)
        pEntry->hbmThumb = CreateBitmap(4, 4, 1, 32, NULL);
    r.made.push_back(pEntry->szName);
    if (r.steerAfter.count(pEntry->szName))
        SteerThumbWorker(PictureByName(r.steerAfter[pEntry->szName].c_str()));
}

std::wstring Name(int i) { return (i < 10 ? L"p0" : L"p") + std::to_wstring(i) + L".jpg"; }

// The names of each range first..last, in order.
Names Ranges(std::initializer_list<std::pair<int, int>> ranges) {
    Names v;
    for (const auto& r : ranges)
        for (int i = r.first; i <= r.second; ++i)
            v.push_back(Name(i));
    return v;
}

// WM_APP to the UI thread's window runs g_onApp where that thread serves sent messages.
std::function<LRESULT()> g_onApp;
LRESULT CALLBACK AppMessageProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return uMsg == WM_APP ? g_onApp() : DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

class ThumbWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_pRecorder = &m_recorder;
        SetThumbMakerForTests(RecordingMaker);
        WNDCLASSW wc = {0, AppMessageProc, 0, 0, GetModuleHandleW(NULL), NULL, NULL, NULL, NULL, L"ThumbWorkerTest"};
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    }
    void TearDown() override {
        SetEvent(m_recorder.hRelease);
        StopThumbWorker();
        SetThumbMakerForTests(nullptr);
        SetThumbBitmapBoundForTests(0);
        FreePictures();
        DestroyWindow(m_hwnd);
        for (HANDLE h : {m_recorder.hHeld, m_recorder.hRelease, m_recorder.hThread})
            CloseHandle(h);
    }

    // n empty picture files, listed A to Z; the maker never opens them.
    void List(int n) {
        for (int i = 0; i < n; ++i)
            m_folder.Write(Name(i).c_str(), std::string(16, '\0'));
        wcscpy_s(g_szPicturePath, MAX_PATH, m_folder.Path(L"*.*").c_str());
        EnumeratePictures(g_szPicturePath);
        ResetSortDirection();
        SortPictures(SORT_BY_NAME);
        RenumberPictures();
    }
    // Runs a worker to its end; an ended worker keeps its handle until a stop.
    void RunWorker() {
        StartThumbWorker(NULL);
        ASSERT_TRUE(WaitForThumbWorkerEnd(10000)) << "the worker did not end";
        EXPECT_TRUE(HasThumbWorker() && !IsThumbWorkerRunning());
        StopThumbWorker();
    }
    // Sends WM_APP from another thread; *pbDone once it was served.
    std::thread Send(LRESULT* pResult, std::atomic<bool>* pbDone) {
        return std::thread([=] { *pResult = SendMessageW(m_hwnd, WM_APP, 0, 0), *pbDone = true; });
    }

    Recorder m_recorder;
    TempFolder m_folder;
    HWND m_hwnd = NULL;
};

} // namespace

TEST_F(ThumbWorkerTest, WalksTheListOnceAndDetoursToEachJumpTheFirstDetourComingBack) {
    // No jump: list order, p02 failing. Scrolled while the worker was at p03: the
    // visible rows first, then back; a second jump during the detour keeps the
    // first remembered place.
    const std::pair<std::map<std::wstring, std::wstring>, Names> cases[] = {
        {{}, Ranges({{0, 29}})},
        {{{Name(3), Name(20)}, {Name(21), Name(10)}}, Ranges({{0, 3}, {20, 21}, {10, 19}, {22, 29}, {4, 9}})}};
    for (const auto& [steer, expected] : cases) {
        SCOPED_TRACE(steer.size());
        m_recorder.made.clear();
        m_recorder.steerAfter = steer;
        m_recorder.undecodable = steer.empty() ? Name(2) : L"";
        List(30);
        RunWorker();
        EXPECT_EQ(expected, m_recorder.made) << "each entry once, a failed one too";
        for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
            EXPECT_TRUE(p->bProcessed && (p->hbmThumb || p->szName == m_recorder.undecodable)) << p->szName;
        EXPECT_FALSE(HasThumbWorker());
    }
}

// The worker is held in p03 while a stop waits; a folder change sent meanwhile stops
// from within that wait. Each stop returns only once the worker's thread ended,
// after the entry in hand; the next worker makes only the rest.
TEST_F(ThumbWorkerTest, StopsEndTheWorkerAfterTheEntryInHandAndWaitForItsThread) {
    m_recorder.holdAt = Name(3);
    List(20);
    std::thread releaser;
    LRESULT nNested = 0, nReleased = 0;
    std::atomic<bool> bNestedDone{false}, bReleasedDone{false};
    g_onApp = [&]() -> LRESULT {
        if (releaser.joinable())
            return SetEvent(m_recorder.hRelease);
        releaser = Send(&nReleased, &bReleasedDone); // served within the nested stop's own wait
        StopThumbWorker();
        return IsThumbWorkerRunning() ? 2 : 1;
    };
    StartThumbWorker(NULL);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_recorder.hHeld, 10000)) << "the worker never came";
    std::thread sender = Send(&nNested, &bNestedDone);
    StopThumbWorker();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_recorder.hThread, 0)) << "the stop returned while it ran";
    SetEvent(m_recorder.hRelease);
    PumpUntil([&] { return bNestedDone && (!releaser.joinable() || bReleasedDone); }, 20000);
    sender.join();
    if (releaser.joinable())
        releaser.join();
    EXPECT_EQ(1, nNested) << "the nested stop returned while the worker ran";
    EXPECT_EQ(Ranges({{0, 3}}), m_recorder.made);
    EXPECT_FALSE(HasThumbWorker());
    EXPECT_EQ(16, CountUnprocessed());
    m_recorder.holdAt.clear();
    RunWorker();
    EXPECT_EQ(Ranges({{0, 19}}), m_recorder.made);
}

// Beyond the bound the worker makes the window around the view and waits; a steer
// far away moves the window, makes the steered entry and those after it first, then
// the rest of the window, and gives back the farthest bitmaps; a stop wakes the
// waiting worker, which then ends by itself.
TEST_F(ThumbWorkerTest, BeyondTheBoundMakesTheWindowWaitsAndFollowsASteer) {
    SetThumbBitmapBoundForTests(48);
    List(100);
    StartThumbWorker(NULL);
    ASSERT_TRUE(WaitForThumbWorkerIdle(10000));
    EXPECT_EQ(Ranges({{0, 47}}), m_recorder.made);
    EXPECT_TRUE(IsThumbWorkerRunning()) << "the worker ended instead of waiting";
    m_recorder.made.clear();
    SteerThumbWorker(PictureByName(Name(90).c_str()));
    ASSERT_TRUE(WaitForThumbWorkerIdle(10000));
    EXPECT_EQ(Ranges({{90, 99}, {52, 89}}), m_recorder.made);
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p)) {
        const bool bInWindow = p->nIndex >= 52;
        EXPECT_EQ(bInWindow, p->hbmThumb != NULL) << p->szName;
        EXPECT_EQ(bInWindow, p->bProcessed != 0) << p->szName;
    }
    StopThumbWorker();
    DWORD dwCode = 1;
    ASSERT_TRUE(m_recorder.hThread && GetExitCodeThread(m_recorder.hThread, &dwCode));
    EXPECT_EQ(0u, dwCode) << "the waiting worker was ended by force";
}
