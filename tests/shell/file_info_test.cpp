// The file information dialog on the real main window and real picture
// files: its lines as the user reads them, and how it opens and closes.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <string>
#include <vector>

#include "tests/imaging/fixtures.h"
#include "tests/imaging/test_pictures.h"
#include "viewer_fixture.h"
#include "window_test_support.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings_names.h"
#include "viewer/common/shared_paths.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/entry.h"
#include "viewer/shell/file_info_text.h"
#include "viewer/shell/main_window.h"

namespace {

const int kLineIds[] = {IDC_INFO_NAME, IDC_INFO_FORMAT, IDC_INFO_SIZE, IDC_INFO_DIMENSIONS,
                        IDC_INFO_DATE, IDC_INFO_TIME, IDC_INFO_COLORS};
enum { L_NAME, L_FORMAT, L_SIZE, L_DIMENSIONS, L_DATE, L_TIME, L_COLORS, LINES };

// What a helper thread saw of the dialog while the command ran.
struct DialogWatch
{
    bool bSeen;
    std::wstring lines[LINES];
    HWND hwndOwner;
    RECT rcWindow;
    SIZE bitmapSize;
    bool bDoneButton;
    bool bStayedAfterCancel;
    bool bGoneAfterOk;
};

BOOL CALLBACK FindInfoDialog(HWND hwnd, LPARAM lParam)
{
    if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, IDC_INFO_NAME))
    {
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Reads the dialog, tries Cancel and Escape (which must do nothing), then
// taps "OK".
void ReadAndClose(HWND hDlg, DialogWatch* pWatch)
{
    for (int i = 0; i < LINES; ++i)
    {
        WCHAR sz[300] = L"";
        GetDlgItemTextW(hDlg, kLineIds[i], sz, 300);
        pWatch->lines[i] = sz;
    }
    pWatch->hwndOwner = GetWindow(hDlg, GW_OWNER);
    GetWindowRect(hDlg, &pWatch->rcWindow);
    pWatch->bDoneButton = GetPropW(hDlg, L"OmbrixShell.DoneButton") != NULL;
    for (HWND h = GetWindow(hDlg, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    {
        HBITMAP hbm = (HBITMAP)SendMessageW(h, STM_GETIMAGE, IMAGE_BITMAP, 0);
        BITMAP bm;
        if (hbm && GetObjectW(hbm, sizeof(bm), &bm))
            pWatch->bitmapSize = {bm.bmWidth, bm.bmHeight};
    }
    SendMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    SendMessageW(hDlg, WM_KEYDOWN, VK_ESCAPE, 0);
    pWatch->bStayedAfterCancel = IsWindow(hDlg) && IsWindowVisible(hDlg);
    SendMessageW(GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && IsWindow(hDlg); ++i)
        Sleep(10);
    pWatch->bGoneAfterOk = !IsWindow(hDlg);
    if (!pWatch->bGoneAfterOk)
        EndDialog(hDlg, 0); // never leave the test hanging in the modal loop
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
        watch.bSeen = WhileWindowShows(
            [&] {
                HWND hDlg = NULL;
                EnumThreadWindows(dwUiThread, FindInfoDialog, reinterpret_cast<LPARAM>(&hDlg));
                return hDlg;
            },
            [&](HWND hDlg) { ReadAndClose(hDlg, &watch); }, [&] { SendMessageW(hwndTarget, WM_COMMAND, IDM_INFORMATION, 0); },
            2000);
        return watch;
    }

    DialogWatch InfoOf(const wchar_t* pszName)
    {
        Select({pszName});
        EXPECT_GE(RowOf(pszName), 0) << "not listed";
        return RunInfo(m_hwnd);
    }
};

uint32_t Stripes(int x, int y)
{
    return (x / 3 + y / 5) % 2 ? 0x2040C0 : 0xE0B030;
}

int ScreenDepth()
{
    HDC hdc = GetDC(NULL);
    int nBits = GetDeviceCaps(hdc, BITSPIXEL);
    ReleaseDC(NULL, hdc);
    return nBits;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

} // namespace

TEST(FormatThousands, GroupsOfThreeFromTheRightAndSizesPastTwoGiBStayPositive)
{
    struct Case
    {
        unsigned long long nValue;
        const wchar_t* pszText;
    } cases[] = {
        {0, L"0"}, {999, L"999"}, {1000, L"1,000"}, {1234567, L"1,234,567"}, {2147483648ULL, L"2,147,483,648"},
        {4294967295ULL, L"4,294,967,295"}, {18446744073709551615ULL, L"18,446,744,073,709,551,615"},
    };
    for (const Case& c : cases)
    {
        wchar_t sz[32];
        EXPECT_EQ(1, FormatThousands(c.nValue, sz, 32)) << c.nValue;
        EXPECT_STREQ(c.pszText, sz) << c.nValue;
    }
    // A buffer one unit short of "1,000" and its terminator is refused whole.
    wchar_t szShort[5] = L"xxxx";
    EXPECT_EQ(0, FormatThousands(1000, szShort, 5));
    EXPECT_STREQ(L"", szShort);
    wchar_t szExact[6];
    EXPECT_EQ(1, FormatThousands(1000, szExact, 6));
    EXPECT_STREQ(L"1,000", szExact);
}

TEST_F(FileInfoTest, LinesOfRealPicturesCorruptFilesAndHugeSizes)
{
    const int nDepth = ScreenDepth();
    m_folder.Write(L"photo.jpg", MakeJpeg(37, 21, JPEG_RGB, Stripes));
    m_folder.Write(L"grey.JPEG", MakeJpeg(9, 70, JPEG_GREY, Stripes));
    m_folder.Write(L"anim.gif", ReadFixture(L"frame.gif")); // a 20 x 10 frame on a 30 x 12 screen
    m_folder.Write(L"shot.png", ReadFixture(L"rgb_50x40.png"));
    m_folder.Write(L"pocket.2bp", MakeBmp(40, 13, 7, 2, BI_RGB, {0, 0x555555, 0xAAAAAA, 0xFFFFFF}, nullptr,
                                          BmpRows(13, 7, 2, [](int x, int y) { return (uint32_t)(x + y) % 4; })));
    // Decoders stop at the end of the picture, so padding sets exact sizes.
    m_folder.Write(L"small.bmp", MakeBmp(40, 4, 4, 24, BI_RGB, {}, nullptr, BmpRows(4, 4, 24, Stripes)));
    SetFileSize(m_folder.Path(L"small.bmp"), 512);
    m_folder.Write(L"broken.jpg", Bytes(300, 0x5A));
    Bytes png = ReadFixture(L"rgb_50x40.png");
    m_folder.Write(L"cut.png", Bytes(png.begin(), png.begin() + 10)); // no IHDR left
    // Past 2 GiB, as a sparse file: still a 32-bit size, read unsigned.
    SetFileSize(m_folder.Path(L"huge.bmp"), 3000000000ULL);
    SetLocalWriteTime(m_folder.Path(L"photo.jpg"), 15, 4, 9);
    SetLocalWriteTime(m_folder.Path(L"grey.JPEG"), 12, 30, 0);
    SetLocalWriteTime(m_folder.Path(L"anim.gif"), 0, 0, 0);
    Start();

    struct Case
    {
        const wchar_t* pszFile;
        const wchar_t* pszName;
        const wchar_t* pszFormat;
        const wchar_t* pszSize; // nullptr: whatever the encoder made
        const wchar_t* pszDimensions;
        int nBits;
        const wchar_t* pszTime; // on 2004-2-29; nullptr: not set
    } cases[] = {
        {L"photo.jpg", L"FileName: photo", L"Format: JPEG Image", nullptr, L"Dimensions: 37(W) * 21(H)", 24,
         L"Time: PM 3:4:9"},
        {L"grey.JPEG", L"FileName: grey", L"Format: JPEG Image", nullptr, L"Dimensions: 9(W) * 70(H)", 8,
         L"Time: AM 12:30:0"},
        // The logical screen of a GIF, which may be larger than its frame.
        {L"anim.gif", L"FileName: anim", L"Format: GIF Image", nullptr, L"Dimensions: 30(W) * 12(H)", 8,
         L"Time: AM 0:0:0"},
        {L"shot.png", L"FileName: shot", L"Format: PNG Image", nullptr, L"Dimensions: 50(W) * 40(H)", nDepth},
        {L"pocket.2bp", L"FileName: pocket", L"Format: BMP Image", nullptr, L"Dimensions: 13(W) * 7(H)", nDepth},
        {L"small.bmp", L"FileName: small", L"Format: BMP Image", L"Size: 512 bytes", L"Dimensions: 4(W) * 4(H)",
         nDepth},
        {L"broken.jpg", L"FileName: broken", L"Format: JPEG Image", L"Size: 300 bytes", L"Dimensions: 0(W) * 0(H)",
         0},
        {L"cut.png", L"FileName: cut", L"Format: PNG Image", L"Size: 10 bytes", L"Dimensions: 0(W) * 0(H)", 0},
        {L"huge.bmp", L"FileName: huge", L"Format: BMP Image", L"Size: 3,000,000,000 bytes",
         L"Dimensions: 0(W) * 0(H)", 0},
    };
    for (const Case& c : cases)
    {
        const std::string file = Narrow(c.pszFile);
        DialogWatch watch = InfoOf(c.pszFile);
        ASSERT_TRUE(watch.bSeen) << file;
        EXPECT_EQ(c.pszName, watch.lines[L_NAME]) << file;
        EXPECT_EQ(c.pszFormat, watch.lines[L_FORMAT]) << file;
        if (c.pszSize)
            EXPECT_EQ(c.pszSize, watch.lines[L_SIZE]) << file;
        else
            EXPECT_EQ(0u, watch.lines[L_SIZE].find(L"Size: ")) << file;
        EXPECT_EQ(c.pszDimensions, watch.lines[L_DIMENSIONS]) << file;
        EXPECT_EQ(L"Colors: " + std::to_wstring(c.nBits) + L" bits per pixel", watch.lines[L_COLORS]) << file;
        if (c.pszTime)
        {
            EXPECT_EQ(L"Date: 2004-2-29", watch.lines[L_DATE]) << file;
            EXPECT_EQ(c.pszTime, watch.lines[L_TIME]) << file;
        }
    }
}

TEST_F(FileInfoTest, OnlyOkClosesTheSmallOwnedDialogWhicheverWayItOpens)
{
    WriteSolidBmp(m_folder.Path(L"a&b.bmp"), 3, 3, RGB(200, 10, 10));
    Start();

    // Nothing selected: nothing shows.
    Select({});
    EXPECT_FALSE(RunInfo(m_hwnd).bSeen);

    DialogWatch watch = InfoOf(L"a&b.bmp");
    ASSERT_TRUE(watch.bSeen);
    EXPECT_EQ(L"FileName: a&b", watch.lines[L_NAME]);
    EXPECT_EQ(m_pData->hwndMain, watch.hwndOwner);
    EXPECT_TRUE(watch.bStayedAfterCancel) << "Cancel and Escape must not close it";
    EXPECT_TRUE(watch.bGoneAfterOk);
    EXPECT_FALSE(watch.bDoneButton) << "the shell adds no done button of its own";
    EXPECT_EQ(168, watch.bitmapSize.cx);
    EXPECT_EQ(16, watch.bitmapSize.cy);
    // The template's size, not the screen's: well inside the 240 x 320 screen.
    const int cx = watch.rcWindow.right - watch.rcWindow.left;
    const int cy = watch.rcWindow.bottom - watch.rcWindow.top;
    EXPECT_GT(cx, 119);
    EXPECT_LT(cx, 240);
    EXPECT_GT(cy, 97);
    EXPECT_LT(cy, 320 - 26);

    // The context menu's choice reaches the frame, which passes it on.
    watch = RunInfo(m_pData->hwndBrowser);
    ASSERT_TRUE(watch.bSeen);
    EXPECT_EQ(L"Format: BMP Image", watch.lines[L_FORMAT]);
    EXPECT_EQ(m_pData->hwndMain, watch.hwndOwner);
}
