#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "../extras/temp_folder.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/shared_paths.h"

namespace {

// What the recording maker saw, and what it does at each entry: steer the
// worker somewhere, fail, or take its time. Written by the worker's thread,
// read after a stop.
struct Recorder
{
    std::mutex lock;
    std::vector<std::wstring> made;
    std::map<std::wstring, std::wstring> steerAfter; // made name -> steer target
    std::set<std::wstring> undecodable;
    DWORD dwDelayMs = 0;
};
Recorder* g_pRecorder = nullptr;

HBITMAP SmallBitmap()
{
    HDC hdc = GetDC(NULL);
    HBITMAP hbm = CreateCompatibleBitmap(hdc, 4, 4);
    ReleaseDC(NULL, hdc);
    return hbm;
}

void RecordingMaker(CImageDecoder*, PictureEntry* pEntry, LPCWSTR)
{
    Recorder& r = *g_pRecorder;
    if (r.dwDelayMs)
        Sleep(r.dwDelayMs);
    if (!r.undecodable.count(pEntry->szName))
        pEntry->hbmThumb = SmallBitmap();
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

// Names of entries first..last, in order.
std::vector<std::wstring> Names(int first, int last)
{
    std::vector<std::wstring> v;
    for (int i = first; i <= last; ++i)
        v.push_back(Name(i));
    return v;
}

std::vector<std::wstring> Join(std::initializer_list<std::vector<std::wstring>> parts)
{
    std::vector<std::wstring> v;
    for (const auto& p : parts)
        v.insert(v.end(), p.begin(), p.end());
    return v;
}

class ThumbWorkerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_pRecorder = &m_recorder;
        SetThumbMakerForTests(RecordingMaker);
    }
    void TearDown() override
    {
        StopThumbWorker();
        SetThumbMakerForTests(nullptr);
        FreePictures();
        g_pRecorder = nullptr;
    }

    // n empty picture files, listed A to Z; the maker never opens them.
    void List(int n)
    {
        for (int i = 0; i < n; ++i)
            m_folder.Write(Name(i).c_str(), std::string(16, '\0'));
        ListFolder();
    }
    void ListFolder()
    {
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

    Recorder m_recorder;
    TempFolder m_folder;
};

} // namespace

TEST_F(ThumbWorkerTest, WalksTheListOnceAndDetoursToEachJumpTheFirstDetourComingBack)
{
    struct Case
    {
        const char* what;
        std::map<std::wstring, std::wstring> steer;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {"no jump: list order", {}, Names(0, 29)},
        // Scrolled to the bottom while the worker was at p03: the visible
        // rows first, then back to where it left off.
        {"one jump", {{Name(3), Name(20)}}, Join({Names(0, 3), Names(20, 29), Names(4, 19)})},
        // A second jump during the detour keeps the first remembered place.
        {"two jumps", {{Name(3), Name(20)}, {Name(21), Name(10)}},
         Join({Names(0, 3), Names(20, 21), Names(10, 19), Names(22, 29), Names(4, 9)})},
        // A jump to entries already done passes over them.
        {"jump back", {{Name(5), Name(0)}}, Names(0, 29)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        m_recorder.made.clear();
        m_recorder.steerAfter = c.steer;
        List(30);
        RunWorker();
        EXPECT_EQ(c.expected, m_recorder.made);
        for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
            EXPECT_TRUE(p->bProcessed && p->hbmThumb) << p->szName;
        EXPECT_FALSE(HasThumbWorker());
    }
}

TEST_F(ThumbWorkerTest, AnUndecodablePictureIsVisitedOnceAndADoneListStartsNoWork)
{
    m_recorder.undecodable = {Name(2)};
    List(6);
    RunWorker();
    EXPECT_EQ(Names(0, 5), m_recorder.made);
    PictureEntry* pBad = PictureByName(Name(2).c_str());
    EXPECT_EQ(1, pBad->bProcessed);
    EXPECT_EQ(nullptr, pBad->hbmThumb);
    EXPECT_EQ(0, CountUnprocessed());

    // Every entry is done: a new worker ends at once and makes nothing.
    m_recorder.made.clear();
    RunWorker();
    EXPECT_TRUE(m_recorder.made.empty());
}

TEST_F(ThumbWorkerTest, AStopEndsWithinOneEntryAndTheNextWorkerSkipsTheDoneOnes)
{
    m_recorder.dwDelayMs = 40;
    List(20);
    StartThumbWorker(NULL);
    for (int i = 0; i < 300; ++i)
    {
        {
            std::lock_guard<std::mutex> hold(m_recorder.lock);
            if (m_recorder.made.size() >= 3)
                break;
        }
        Sleep(10);
    }
    size_t nBefore;
    {
        std::lock_guard<std::mutex> hold(m_recorder.lock);
        nBefore = m_recorder.made.size();
    }
    StopThumbWorker();
    const size_t nAfterStop = m_recorder.made.size();
    EXPECT_LE(nAfterStop, nBefore + 1) << "the worker went on after the stop";
    EXPECT_FALSE(IsThumbWorkerRunning());
    Sleep(150);
    EXPECT_EQ(nAfterStop, m_recorder.made.size()) << "a stopped worker made more";
    EXPECT_EQ((int)(20 - nAfterStop), CountUnprocessed());

    // Switching back: the new worker makes only the rest, once each.
    m_recorder.dwDelayMs = 0;
    RunWorker();
    EXPECT_EQ(Names(0, 19), m_recorder.made);
}

namespace {

// A window of this thread whose WM_APP stops the worker, as a folder change
// sent while another stop waits does; 1 when the worker has ended by then.
LRESULT CALLBACK StopOnAppMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg != WM_APP)
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    StopThumbWorker();
    return IsThumbWorkerRunning() ? 2 : 1;
}

} // namespace

// A stop asked for during another stop's wait returns only once the worker
// has ended: its caller may free the list at once.
TEST_F(ThumbWorkerTest, ANestedStopAlsoWaitsForTheWorker)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = StopOnAppMessage;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"NestedStopTest";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, wc.hInstance, NULL);
    ASSERT_TRUE(hwnd);
    m_recorder.dwDelayMs = 400; // the worker is inside its first entry throughout
    List(4);
    StartThumbWorker(NULL);
    Sleep(50);
    LRESULT nNested = 0;
    std::thread sender([&] {
        Sleep(100);
        nNested = SendMessageW(hwnd, WM_APP, 0, 0);
    });
    StopThumbWorker(); // serves the sent message while it waits
    sender.join();
    EXPECT_EQ(1, nNested) << "the nested stop returned while the worker ran";
    EXPECT_FALSE(HasThumbWorker());
    DestroyWindow(hwnd);
}
