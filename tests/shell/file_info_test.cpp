// The file information dialog on the real main window and real picture
// files: its lines as the user reads them, and how it opens and closes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/imaging/fixtures.h"
#include "tests/imaging/test_pictures.h"
#include "viewer_fixture.h"
#include "window_test_support.h"
#include "viewer/common/main_window_data.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/file_info_text.h"

namespace {

const int kLineIds[] = {IDC_INFO_NAME, IDC_INFO_FORMAT, IDC_INFO_SIZE, IDC_INFO_DIMENSIONS,
                        IDC_INFO_DATE, IDC_INFO_TIME, IDC_INFO_COLORS};
enum { L_NAME, L_FORMAT, L_SIZE, L_DIMENSIONS, L_DATE, L_TIME, L_COLORS, LINES };

// What a helper thread saw of the dialog while the command ran: its lines,
// its owner and width, and whether Cancel and Escape left it up and OK
// closed it.
struct DialogWatch
{
    bool bSeen;
    std::wstring lines[LINES];
    HWND hwndOwner;
    LONG cx;
    bool bStayedAfterCancel, bGoneAfterOk;
};

BOOL CALLBACK FindInfoDialog(HWND hwnd, LPARAM lParam)
{
    if (!IsWindowVisible(hwnd) || !GetDlgItem(hwnd, IDC_INFO_NAME))
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hwnd;
    return FALSE;
}

// Pads (or makes) a file to exactly cb bytes; past 4 GiB - 1 it stays sparse.
void SetFileSize(const std::wstring& path, ULONGLONG cb)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    LARGE_INTEGER li;
    li.QuadPart = (LONGLONG)cb;
    EXPECT_TRUE(SetFilePointerEx(h, li, NULL, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
}

void SetLocalWriteTime(const std::wstring& path, WORD wHour, WORD wMinute, WORD wSecond)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    SYSTEMTIME st = {2004, 2, 0, 29, wHour, wMinute, wSecond, 0};
    FILETIME ftLocal, ft;
    SystemTimeToFileTime(&st, &ftLocal);
    LocalFileTimeToFileTime(&ftLocal, &ft);
    SetFileTime(h, NULL, NULL, &ft);
    CloseHandle(h);
}

class FileInfoTest : public ViewerTest
{
protected:
    // Sends "Information" to a window and watches the dialog it runs.
    DialogWatch RunInfo(HWND hwndTarget)
    {
        DialogWatch watch = {};
        const DWORD dwUiThread = GetCurrentThreadId();
        auto find = [dwUiThread] {
            HWND hDlg = NULL;
            EnumThreadWindows(dwUiThread, FindInfoDialog, reinterpret_cast<LPARAM>(&hDlg));
            return hDlg;
        };
        auto readAndClose = [&watch](HWND hDlg) {
            for (int i = 0; i < LINES; ++i)
            {
                WCHAR sz[300] = L"";
                GetDlgItemTextW(hDlg, kLineIds[i], sz, 300);
                watch.lines[i] = sz;
            }
            watch.hwndOwner = GetWindow(hDlg, GW_OWNER);
            RECT rc;
            GetWindowRect(hDlg, &rc);
            watch.cx = rc.right - rc.left;
            SendMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
            SendMessageW(hDlg, WM_KEYDOWN, VK_ESCAPE, 0);
            watch.bStayedAfterCancel = IsWindow(hDlg) && IsWindowVisible(hDlg);
            SendMessageW(GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
            watch.bGoneAfterOk = PollUntil([hDlg] { return !IsWindow(hDlg); }, 1000);
            if (!watch.bGoneAfterOk)
                EndDialog(hDlg, 0); // never leave the test hanging in the modal loop
        };
        watch.bSeen = WhileWindowShows(find, readAndClose,
                                       [&] { SendMessageW(hwndTarget, WM_COMMAND, IDM_INFORMATION, 0); }, 2000);
        return watch;
    }
};

uint32_t Stripes(int x, int y)
{
    return (x / 3 + y / 5) % 2 ? 0x2040C0 : 0xE0B030;
}

} // namespace

TEST(FormatThousands, GroupsOfThreeFromTheRightAndSizesPastTwoGiBStayPositive)
{
    const struct
    {
        unsigned long long nValue;
        const wchar_t* pszText;
    } cases[] = {{999, L"999"}, {1000, L"1,000"}, {1234567, L"1,234,567"}, {2147483648ULL, L"2,147,483,648"},
                 {18446744073709551615ULL, L"18,446,744,073,709,551,615"}};
    wchar_t sz[32];
    for (const auto& c : cases)
    {
        EXPECT_EQ(1, FormatThousands(c.nValue, sz, 32)) << c.nValue;
        EXPECT_STREQ(c.pszText, sz) << c.nValue;
    }
    // One unit short of "1,000" and its terminator: refused whole.
    EXPECT_EQ(0, FormatThousands(1000, sz, 5));
    EXPECT_STREQ(L"", sz);
    EXPECT_EQ(1, FormatThousands(1000, sz, 6));
}

// Header parsing of each format is the decoder's; here what the dialog makes
// of it: the format's name, sizes in groups, a GIF's logical screen at 8
// bits, nothing for a file that does not decode, and the write time.
TEST_F(FileInfoTest, LinesOfRealPicturesCorruptFilesAndHugeSizes)
{
    HDC hdc = GetDC(NULL);
    const int nDepth = GetDeviceCaps(hdc, BITSPIXEL);
    ReleaseDC(NULL, hdc);
    m_folder.Write(L"photo.jpg", MakeJpeg(37, 21, JPEG_RGB, Stripes));
    m_folder.Write(L"anim.gif", ReadFixture(L"frame.gif")); // a 20 x 10 frame on a 30 x 12 screen
    // Decoders stop at the end of the picture, so padding sets exact sizes.
    m_folder.Write(L"small.bmp", MakeBmp(40, 4, 4, 24, BI_RGB, {}, nullptr, BmpRows(4, 4, 24, Stripes)));
    SetFileSize(m_folder.Path(L"small.bmp"), 512);
    m_folder.Write(L"broken.jpg", Bytes(300, 0x5A));
    SetFileSize(m_folder.Path(L"huge.bmp"), 3000000000ULL); // past 2 GiB: a 32-bit size read unsigned
    SetLocalWriteTime(m_folder.Path(L"photo.jpg"), 15, 4, 9);
    SetLocalWriteTime(m_folder.Path(L"anim.gif"), 0, 0, 0);
    Start();

    const struct
    {
        const wchar_t *pszFile, *pszName, *pszFormat;
        const wchar_t* pszSize; // nullptr: whatever the encoder made
        const wchar_t* pszDimensions;
        int nBits;
        const wchar_t* pszTime; // on 2004-2-29; nullptr: not set
    } cases[] = {
        {L"photo.jpg", L"photo", L"JPEG", nullptr, L"37(W) * 21(H)", 24, L"Time: PM 3:4:9"},
        // The logical screen of a GIF, which may be larger than its frame.
        {L"anim.gif", L"anim", L"GIF", nullptr, L"30(W) * 12(H)", 8, L"Time: AM 0:0:0"},
        {L"small.bmp", L"small", L"BMP", L"Size: 512 bytes", L"4(W) * 4(H)", nDepth},
        {L"broken.jpg", L"broken", L"JPEG", L"Size: 300 bytes", L"0(W) * 0(H)", 0},
        {L"huge.bmp", L"huge", L"BMP", L"Size: 3,000,000,000 bytes", L"0(W) * 0(H)", 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszFile)));
        Select({c.pszFile});
        const DialogWatch watch = RunInfo(m_hwnd);
        ASSERT_TRUE(watch.bSeen);
        EXPECT_EQ(std::wstring(L"FileName: ") + c.pszName, watch.lines[L_NAME]);
        EXPECT_EQ(std::wstring(L"Format: ") + c.pszFormat + L" Image", watch.lines[L_FORMAT]);
        if (c.pszSize)
            EXPECT_EQ(c.pszSize, watch.lines[L_SIZE]);
        else
            EXPECT_EQ(0u, watch.lines[L_SIZE].find(L"Size: "));
        EXPECT_EQ(std::wstring(L"Dimensions: ") + c.pszDimensions, watch.lines[L_DIMENSIONS]);
        EXPECT_EQ(L"Colors: " + std::to_wstring(c.nBits) + L" bits per pixel", watch.lines[L_COLORS]);
        if (c.pszTime)
        {
            EXPECT_EQ(L"Date: 2004-2-29", watch.lines[L_DATE]);
            EXPECT_EQ(c.pszTime, watch.lines[L_TIME]);
        }
    }
}

// Only "OK" closes it; it keeps its template's size; the list's context
// menu choice reaches the frame, which passes it on.
TEST_F(FileInfoTest, OnlyOkClosesTheSmallOwnedDialogWhicheverWayItOpens)
{
    WriteSolidBmp(m_folder.Path(L"a&b.bmp"), 3, 3, RGB(200, 10, 10));
    Start();
    Select({});
    EXPECT_FALSE(RunInfo(m_hwnd).bSeen) << "nothing selected: nothing shows";

    Select({L"a&b.bmp"});
    DialogWatch watch = RunInfo(m_hwnd);
    ASSERT_TRUE(watch.bSeen);
    EXPECT_EQ(L"FileName: a&b", watch.lines[L_NAME]);
    EXPECT_EQ(m_hwnd, watch.hwndOwner);
    EXPECT_TRUE(watch.bStayedAfterCancel) << "Cancel and Escape must not close it";
    EXPECT_TRUE(watch.bGoneAfterOk);
    EXPECT_LT(watch.cx, GetSystemMetrics(SM_CXSCREEN));

    watch = RunInfo(m_pData->hwndBrowser);
    ASSERT_TRUE(watch.bSeen);
    EXPECT_EQ(L"Format: BMP Image", watch.lines[L_FORMAT]);
    EXPECT_EQ(m_hwnd, watch.hwndOwner);
}
