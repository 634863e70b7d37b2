// The thumbnail worker with a recording maker in place of the real one.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../extras/temp_folder.h"
#include "../platform/input_helpers.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/shared_paths.h"

namespace {

typedef std::vector<std::wstring> Names;

// What the recording maker saw and what it does at each entry: steer the
// worker elsewhere, fail, or hold the worker (taking its thread) until
// released. Written by the worker.
struct Recorder
{
    std::mutex lock;
    Names made;
    std::map<std::wstring, std::wstring> steerAfter; // made name -> steer target
    std::wstring undecodable, holdAt;
    HANDLE hHeld = CreateEventW(NULL, TRUE, FALSE, NULL), hRelease = CreateEventW(NULL, TRUE, FALSE, NULL);
    HANDLE hThread = NULL;
} * g_pRecorder;

void RecordingMaker(CImageDecoder*, PictureEntry* pEntry, LPCWSTR)
{
    Recorder& r = *g_pRecorder;
    if (r.holdAt == pEntry->szName)
    {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &r.hThread, SYNCHRONIZE,
                        FALSE, 0);
        SetEvent(r.hHeld);
        WaitForSingleObject(r.hRelease, 20000);
    }
    if (r.undecodable != pEntry->szName)
        pEntry->hbmThumb = CreateBitmap(4, 4, 1, 32, NULL);
    std::lock_guard<std::mutex> hold(r.lock);
    r.made.push_back(pEntry->szName);
    auto it = r.steerAfter.find(pEntry->szName);
    if (it != r.steerAfter.end())
        SteerThumbWorker(PictureByName(it->second.c_str()));
}

std::wstring Name(int i)
{
    wchar_t sz[16];
    swprintf(sz, 16, L"p%02d.jpg", i);
    return sz;
}

// Names of the entries of each range first..last, in order.
Names Ranges(std::initializer_list<std::pair<int, int>> ranges)
{
    Names v;
    for (const auto& r : ranges)
        for (int i = r.first; i <= r.second; ++i)
            v.push_back(Name(i));
    return v;
}

// A message-only window of the UI thread: WM_APP runs what the test set.
// Sent from another thread, it runs only where the UI thread serves sent
// messages: inside a stop's wait.
std::function<LRESULT()> g_onApp;
LRESULT CALLBACK AppMessageProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return uMsg == WM_APP ? g_onApp() : DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

class ThumbWorkerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_pRecorder = &m_recorder;
        SetThumbMakerForTests(RecordingMaker);
        WNDCLASSW wc = {0, AppMessageProc, 0, 0, GetModuleHandleW(NULL)};
        wc.lpszClassName = L"ThumbWorkerTest";
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    }
    void TearDown() override
    {
        SetEvent(m_recorder.hRelease);
        StopThumbWorker();
        SetThumbMakerForTests(nullptr);
        FreePictures();
        DestroyWindow(m_hwnd);
        for (HANDLE h : {m_recorder.hHeld, m_recorder.hRelease, m_recorder.hThread})
            if (h)
                CloseHandle(h);
    }

    // n empty picture files, listed A to Z; the maker never opens them.
    void List(int n)
    {
        for (int i = 0; i < n; ++i)
            m_folder.Write(Name(i).c_str(), std::string(16, '\0'));
        wcscpy_s(g_szPicturePath, MAX_PATH, m_folder.Path(L"*.*").c_str());
        EnumeratePictures(g_szPicturePath);
        ResetSortDirection();
        SortPictures(SORT_BY_NAME);
        RenumberPictures();
    }
    // Starts a worker and waits for its body to end by itself.
    void RunWorker()
    {
        StartThumbWorker(NULL);
        ASSERT_TRUE(HasThumbWorker());
        ASSERT_TRUE(WaitForThumbWorkerEnd(10000)) << "the worker did not end";
        EXPECT_FALSE(IsThumbWorkerRunning());
        EXPECT_TRUE(HasThumbWorker()) << "an ended worker keeps its handle until a stop";
        StopThumbWorker();
    }
    // Sends WM_APP from another thread; *pbDone once it was served.
    std::thread Send(LRESULT* pResult, std::atomic<bool>* pbDone)
    {
        return std::thread([=] {
            *pResult = SendMessageW(m_hwnd, WM_APP, 0, 0);
            *pbDone = true;
        });
    }

    Recorder m_recorder;
    TempFolder m_folder;
    HWND m_hwnd = NULL;
};

} // namespace

TEST_F(ThumbWorkerTest, WalksTheListOnceAndDetoursToEachJumpTheFirstDetourComingBack)
{
    const struct
    {
        const char* what;
        std::map<std::wstring, std::wstring> steer;
        Names expected;
    } cases[] = {
        {"no jump: list order; p02 cannot be decoded", {}, Ranges({{0, 29}})},
        // Scrolled to the bottom while the worker was at p03: the visible
        // rows first, then back to where it left off.
        {"one jump", {{Name(3), Name(20)}}, Ranges({{0, 3}, {20, 29}, {4, 19}})},
        // A second jump during the detour keeps the first remembered place.
        {"two jumps", {{Name(3), Name(20)}, {Name(21), Name(10)}},
         Ranges({{0, 3}, {20, 21}, {10, 19}, {22, 29}, {4, 9}})},
        {"jump back to entries already done", {{Name(5), Name(0)}}, Ranges({{0, 29}})},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        m_recorder.made.clear();
        m_recorder.steerAfter = c.steer;
        m_recorder.undecodable = c.steer.empty() ? Name(2) : L"";
        List(30);
        RunWorker();
        EXPECT_EQ(c.expected, m_recorder.made) << "each entry once, a failed one too";
        for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
            EXPECT_TRUE(p->bProcessed && (p->hbmThumb || p->szName == m_recorder.undecodable)) << p->szName;
        EXPECT_FALSE(HasThumbWorker());
    }
    m_recorder.made.clear();
    RunWorker();
    EXPECT_TRUE(m_recorder.made.empty()) << "a list with every entry done starts no work";
}

// The worker is held in p03 while a stop waits for it; a folder change sent
// meanwhile asks for a stop from within that wait. Each stop returns only
// once the worker's thread has ended, after the entry in hand (the caller
// may free the list at once); the next worker makes only the rest.
TEST_F(ThumbWorkerTest, StopsEndTheWorkerAfterTheEntryInHandAndWaitForItsThread)
{
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
