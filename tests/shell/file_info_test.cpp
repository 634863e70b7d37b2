// The file information dialog on the real main window and real picture files.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "tests/support/exif_blocks.h"
#include "tests/support/fixtures.h"
#include "tests/support/pictures.h"
#include "tests/support/viewer_fixture.h"
#include "tests/support/window_helpers.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings_names.h"
#include "viewer/resources/resource.h"

namespace {

enum { L_NAME, L_FORMAT, L_SIZE, L_DIMENSIONS, L_DATE, L_TIME, L_COLORS, L_TAKEN, L_CAMERA, LINES };

// What a helper thread saw of the dialog: its lines and owner, and whether
// Cancel and Escape left it up and OK closed it.
struct DialogWatch {
    bool bSeen;
    std::wstring lines[LINES];
    bool bShown[LINES], bFits[LINES];   // bFits: the text, in the line's font, within the line
    bool bOkClear;   // the OK button lies below every line shown and inside the dialog
    HWND hwndOwner;
    bool bStayedAfterCancel, bGoneAfterOk;
    HGDIOBJ hbmHeading;   // the bitmap the heading showed
};

class FileInfoTest : public ViewerTest {
protected:
    // Selects the names, sends "Information" and watches the dialog it runs.
    DialogWatch Info(std::initializer_list<const wchar_t*> names) {
        Select(names);
        DialogWatch w = {};
        auto find = [dwUiThread = GetCurrentThreadId()] { return VisibleDialog(dwUiThread, IDC_INFO_NAME); };
        auto readAndClose = [&w](HWND hDlg) {
            const int rgIds[LINES] = {IDC_INFO_NAME, IDC_INFO_FORMAT, IDC_INFO_SIZE,   IDC_INFO_DIMENSIONS,
                                      IDC_INFO_DATE, IDC_INFO_TIME,   IDC_INFO_COLORS, IDC_INFO_TAKEN,
                                      IDC_INFO_CAMERA};
            RECT rcOk, rcClient;
            GetWindowRect(GetDlgItem(hDlg, IDOK), &rcOk);
            GetClientRect(hDlg, &rcClient);
            MapWindowPoints(hDlg, NULL, reinterpret_cast<POINT*>(&rcClient), 2);
            w.bOkClear = rcOk.bottom <= rcClient.bottom;
            for (int i = 0; i < LINES; ++i) {
                HWND hwndLine = GetDlgItem(hDlg, rgIds[i]);
                w.lines[i] = WindowText(hwndLine);
                w.bShown[i] = IsWindowVisible(hwndLine);
                RECT rc;
                GetWindowRect(hwndLine, &rc);
                w.bOkClear = w.bOkClear && !(w.bShown[i] && rc.bottom > rcOk.top);
                HDC hdc = GetDC(hwndLine);
                HGDIOBJ hOld = SelectObject(hdc, (HFONT)SendMessageW(hwndLine, WM_GETFONT, 0, 0));
                SIZE extent = {};
                GetTextExtentPoint32W(hdc, w.lines[i].c_str(), static_cast<int>(w.lines[i].size()), &extent);
                w.bFits[i] = extent.cx <= rc.right - rc.left;
                SelectObject(hdc, hOld);
                ReleaseDC(hwndLine, hdc);
            }
            w.hwndOwner = GetWindow(hDlg, GW_OWNER);
            for (HWND h = GetWindow(hDlg, GW_CHILD); h && !w.hbmHeading; h = GetWindow(h, GW_HWNDNEXT))
                w.hbmHeading = reinterpret_cast<HGDIOBJ>(SendMessageW(h, STM_GETIMAGE, IMAGE_BITMAP, 0));
            SendMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
            SendMessageW(hDlg, WM_KEYDOWN, VK_ESCAPE, 0);
            w.bStayedAfterCancel = IsWindow(hDlg) && IsWindowVisible(hDlg);
            SendMessageW(GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
            if (!(w.bGoneAfterOk = PollUntil([hDlg] { return !IsWindow(hDlg); }, 1000)))
                EndDialog(hDlg, 0); // never leave the test hanging in the modal loop
        };
        w.bSeen = WhileWindowShows(find, readAndClose,
                                   [&] { Command(IDM_INFORMATION); }, 2000);
        return w;
    }
};

uint32_t Stripes(int x, int y) { return (x / 3 + y / 5) % 2 ? 0x2040C0 : 0xE0B030; }

} // namespace

// Header parsing is the decoder's; here a GIF's logical screen at 8 bits, nothing
// for a file that does not decode, sizes past 2 GiB in groups, the write time.
TEST_F(FileInfoTest, LinesOfRealPicturesCorruptFilesAndHugeSizes) {
    m_folder.Write(L"photo.jpg", MakeJpeg(37, 21, JPEG_RGB, Stripes));
    m_folder.Write(L"anim.gif", ReadFixture(L"frame.gif")); // a 20 x 10 frame on a 30 x 12 screen
    SetFileSize(m_folder.Path(L"huge.bmp"), 3000000000ULL); // past 2 GiB: a 32-bit size read unsigned
    SetLocalWriteTime(m_folder.Path(L"photo.jpg"), 2004, 2, 29, 15, 4, 9);
    SetLocalWriteTime(m_folder.Path(L"anim.gif"), 2004, 2, 29, 0, 0, 0);
    Start();
    EXPECT_FALSE(Info({}).bSeen) << "nothing selected: nothing shows";
    const struct {
        const wchar_t *pszFile, *pszLines, *pszSize, *pszTime; // null: not set here
    } cases[] = {
        {L"photo.jpg", L"FileName: photo|Format: JPEG Image|Dimensions: 37(W) * 21(H)|Colors: 24 bits per pixel", nullptr,
         L"PM 3:4:9"},
        // The logical screen of a GIF, which may be larger than its frame.
        {L"anim.gif", L"FileName: anim|Format: GIF Image|Dimensions: 30(W) * 12(H)|Colors: 8 bits per pixel", nullptr,
         L"AM 0:0:0"},
        {L"huge.bmp", L"FileName: huge|Format: BMP Image|Dimensions: 0(W) * 0(H)|Colors: 0 bits per pixel",
         L"3,000,000,000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszFile)));
        const DialogWatch w = Info({c.pszFile});
        ASSERT_TRUE(w.bSeen);
        // Only "OK" closes it.
        EXPECT_EQ(m_hwnd, w.hwndOwner);
        EXPECT_TRUE(w.bStayedAfterCancel) << "Cancel and Escape must not close it";
        EXPECT_TRUE(w.bGoneAfterOk);
        // The heading's bitmap goes with the dialog: one was lost with each.
        ASSERT_NE(nullptr, w.hbmHeading);
        EXPECT_EQ(0u, GetObjectType(w.hbmHeading)) << "the heading's bitmap outlived the dialog";
        EXPECT_EQ(c.pszLines,
                  w.lines[L_NAME] + L"|" + w.lines[L_FORMAT] + L"|" + w.lines[L_DIMENSIONS] + L"|" + w.lines[L_COLORS]);
        const std::wstring size = c.pszSize ? L"Size: " + std::wstring(c.pszSize) + L" bytes" : L"Size: ";
        EXPECT_EQ(size, w.lines[L_SIZE].substr(0, c.pszSize ? std::wstring::npos : 6));
        if (c.pszTime) {
            EXPECT_EQ(L"Date: 2004-2-29|Time: " + std::wstring(c.pszTime), w.lines[L_DATE] + L"|" + w.lines[L_TIME]);
        }
    }
}

// A camera photo gets its date taken (in the file lines' form) and its camera
// below the others, the camera cut to one line, with the OK button moved
// clear of them; a photo without EXIF shows neither line. A photo stood
// upright gives its size as shown; with the setting off, as stored.
TEST_F(FileInfoTest, CameraPhotosAddTakenAndCameraLines) {
    const Bytes picture = MakeJpeg(40, 30, JPEG_RGB, Stripes);
    ExifBlockBuilder full, longName;
    full.Camera(6, "2021:07:14 15:05:33", "Canon", "Canon PowerShot A520");
    longName.Camera(1, nullptr, "Maker Of Cameras Inc.", ("Very Long Model Name " + std::string(40, 'X')).c_str());
    m_folder.Write(L"camera.jpg", WithApp1(picture, full.Block()));
    m_folder.Write(L"long.jpg", WithApp1(picture, longName.Block()));
    m_folder.Write(L"plain.jpg", picture);
    Start();

    const DialogWatch plain = Info({L"plain.jpg"});
    ASSERT_TRUE(plain.bSeen);
    EXPECT_FALSE(plain.bShown[L_TAKEN] || plain.bShown[L_CAMERA]);
    EXPECT_TRUE(plain.bOkClear);

    const DialogWatch camera = Info({L"camera.jpg"});
    ASSERT_TRUE(camera.bSeen);
    EXPECT_EQ(L"Taken: 2021-7-14 PM 3:5:33", camera.lines[L_TAKEN]);
    EXPECT_EQ(L"Camera: Canon PowerShot A520", camera.lines[L_CAMERA]);
    EXPECT_EQ(L"Dimensions: 30(W) * 40(H)", camera.lines[L_DIMENSIONS]);
    EXPECT_TRUE(camera.bShown[L_TAKEN] && camera.bShown[L_CAMERA]);
    EXPECT_TRUE(camera.bOkClear);
    EXPECT_TRUE(camera.bGoneAfterOk);

    const DialogWatch cut = Info({L"long.jpg"});
    ASSERT_TRUE(cut.bSeen);
    EXPECT_FALSE(cut.bShown[L_TAKEN]);
    ASSERT_TRUE(cut.bShown[L_CAMERA]);
    EXPECT_EQ(0u, cut.lines[L_CAMERA].find(L"Camera: Maker Of")) << cut.lines[L_CAMERA];
    EXPECT_EQ(L"...", cut.lines[L_CAMERA].substr(cut.lines[L_CAMERA].size() - 3));
    EXPECT_TRUE(cut.bFits[L_CAMERA]);
    EXPECT_TRUE(cut.bOkClear);

    RawSetDword(SZ_AUTO_ROTATE, 0);
    EXPECT_EQ(L"Dimensions: 40(W) * 30(H)", Info({L"camera.jpg"}).lines[L_DIMENSIONS]);
}
