// Shows a picture-viewer window with the viewer's menu bar and the shell's
// top bar, for the screenshot check. Runs for the seconds given (default 5)
// and prints each image button's screen rectangle.
#include <cstdio>
#include <cstdlib>
#include <windows.h>

#include "platform/aygshell/aygshell.h"
#include "viewer/resources/resource.h"

namespace {

LRESULT CALLBACK SampleProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg != WM_PAINT)
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (hdc)
    {
        FillRect(hdc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        // The full-screen buttons' strip, as the viewer draws it over a picture.
        HIMAGELIST hList = ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_FULLSCREEN_BUTTONS),
                                                12, 0, RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
        for (int i = 0; hList && i < 5; ++i)
            ImageList_Draw(hList, i, hdc, 20 + 16 * i, 20, ILD_TRANSPARENT);
        if (hList)
            ImageList_Destroy(hList);
        EndPaint(hwnd, &ps);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int nSeconds = argc > 1 ? _wtoi(argv[1]) : 5;
    UINT nBar = argc > 2 ? _wtoi(argv[2]) : IDR_MENUBAR_VIEWER;
    HINSTANCE hInst = GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = SampleProc;
    wc.hInstance = hInst;
    wc.lpszClassName = L"OmbrixMenuBarSample";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Beach - Ombrix Viewer", WS_POPUP | WS_VISIBLE, 0, 26, 240,
                                268, nullptr, nullptr, hInst, nullptr);
    SHMENUBARINFO mbi = {sizeof(mbi), hwnd, SHCMBF_HIDESIPBUTTON, nBar, hInst};
    if (!hwnd || !SHCreateMenuBar(&mbi))
        return 1;
    const int viewerImages[] = {IDB_OPEN, IDB_PREVIOUS, IDB_NEXT, IDB_ZOOM_IN, IDB_ZOOM_OUT, IDB_FIT_TO_SCREEN,
                                IDB_SLIDESHOW_START};
    const int browserImages[] = {IDB_OPEN, IDB_THUMBNAIL_VIEW, IDB_INFORMATION, IDB_DELETE, IDB_REFRESH};
    bool bViewer = SendMessageW(mbi.hwndMB, SHCMBM_GETSUBMENU, 0, IDM_TOOL_POPUP) != 0;
    const int* pImages = bViewer ? viewerImages : browserImages;
    int nImages = bViewer ? ARRAYSIZE(viewerImages) : ARRAYSIZE(browserImages);
    for (int i = 0; i < nImages; ++i)
        CommandBar_AddBitmap(mbi.hwndMB, hInst, pImages[i], 1, 16, 16);
    SHFullScreen(hwnd, SHFS_SHOWTASKBAR);
    SetForegroundWindow(hwnd);

    HWND hwndTb = FindWindowExW(mbi.hwndMB, nullptr, TOOLBARCLASSNAMEW, nullptr);
    int nButtons = static_cast<int>(SendMessageW(mbi.hwndMB, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < nButtons; ++i)
    {
        TBBUTTON tb = {};
        RECT rc = {};
        SendMessageW(mbi.hwndMB, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&tb));
        SendMessageW(mbi.hwndMB, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc));
        MapWindowPoints(hwndTb, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        printf("button %d command %d rect %ld %ld %ld %ld\n", i, tb.idCommand, rc.left, rc.top, rc.right, rc.bottom);
    }
    fflush(stdout);

    SetTimer(nullptr, 0, nSeconds * 1000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0 && !(msg.message == WM_TIMER && !msg.hwnd))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DestroyWindow(hwnd);
    return 0;
}
