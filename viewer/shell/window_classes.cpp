#include "viewer/shell/window_classes.h"

#include "viewer/browser/no_images.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/main_window.h"

static BOOL RegisterOne(HINSTANCE hInstance, LPCWSTR pszClass, WNDPROC pfnWndProc)
{
    WNDCLASSW wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = pfnWndProc;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconW(hInstance, MAKEINTRESOURCEW(IDI_APP));
    wc.lpszClassName = pszClass;
    // A class registered earlier by this process (a test that starts twice)
    // is as good as a new one.
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

BOOL RegisterViewerClasses(HINSTANCE hInstance, LPCWSTR pszMainClass)
{
    return RegisterOne(hInstance, pszMainClass, MainWndProc)
        && RegisterOne(hInstance, THUMB_CLASS, ThumbViewWndProc)
        && RegisterOne(hInstance, NOIMAGES_CLASS, NoImagesWndProc);
}
