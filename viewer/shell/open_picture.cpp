#include "viewer/shell/open_picture.h"

#include <wchar.h>

#include "viewer/browser/dir_tree.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/shared_paths.h"
#include "viewer/imaging/image_loader.h"
#include "viewer/imaging/renderer.h"
#include "viewer/shell/entry.h"
#include "viewer/shell/main_window_data.h"
#include "viewer/shell/settings.h"
#include "viewer/shell/settings_names.h"

// Room for the title: a whole file name and the application title.
#define TITLE_CHARS (MAX_PATH + 110)

static void SetPictureTitle(MainWindowData* pData, const WCHAR* pszPath)
{
    WCHAR szName[MAX_PATH];
    FileNamePart(pszPath, 1, szName, MAX_PATH);
    WCHAR szTitle[TITLE_CHARS];
    _snwprintf_s(szTitle, TITLE_CHARS, _TRUNCATE, L"%s - %s", szName, GetAppTitle());
    SetWindowTextW(pData->hwndMain, szTitle);
}

int OpenPicture(MainWindowData* pData, const WCHAR* pszPath)
{
    if (!pData || !pszPath)
        return 0;
    // While a slideshow runs its stepping loads pictures itself; until the
    // slideshow exists every picture goes through the loader.
    if (pData->pRenderer)
        pData->pRenderer->SetBitmap(NULL);
    if (pData->pLoader)
        pData->pLoader->Open(pszPath);
    SetPictureTitle(pData, pszPath);
    return 1;
}

static void ShowBrowserFrame(MainWindowData* pData, BOOL bShow)
{
    if (pData->hwndBrowser)
        ShowWindow(pData->hwndBrowser, bShow ? SW_SHOW : SW_HIDE);
}

void ApplyStartMode(MainWindowData* pData)
{
    if (!pData)
        return;
    WCHAR szFolder[MAX_PATH];
    if (GetSetting(SZ_START_MODE, DEF_START_MODE) != 1)
    {
        GetStringSetting(SZ_START_FOLDER, szFolder, sizeof(szFolder), DEF_START_FOLDER_BROWSER);
        _snwprintf_s(g_szPicturePath, MAX_PATH, _TRUNCATE, L"%s", szFolder);
        WalkTreeToPath(GetDirectoryTreeWindow(), g_szPicturePath, FALSE);
        ShowBrowserFrame(pData, TRUE);
        return;
    }

    WCHAR szName[MAX_PATH];
    GetStringSetting(SZ_START_FOLDER, szFolder, sizeof(szFolder), DEF_START_FOLDER_VIEWER);
    GetStringSetting(SZ_START_FILENAME, szName, sizeof(szName), DEF_START_FILENAME);
    WCHAR szPath[MAX_PATH];
    _snwprintf_s(szPath, MAX_PATH, _TRUNCATE, L"%s%s", szFolder, szName);
    _snwprintf_s(g_szPicturePath, MAX_PATH, _TRUNCATE, L"%s", szPath);
    // The list's own visibility, not its hidden frame's, tells the mode.
    HWND hwndList = GetFileListWindow();
    if (hwndList && !(GetWindowLongPtrW(hwndList, GWL_STYLE) & WS_VISIBLE))
        SetThumbnailMode(TRUE);
    FolderPart(szPath, g_szBrowsePath, MAX_PATH);

    if (!OpenPicture(pData, szPath))
    {
        ShowBrowserFrame(pData, TRUE);
        return;
    }
    WalkTreeToPath(GetDirectoryTreeWindow(), szPath, TRUE);
    _snwprintf_s(g_szPicturePath, MAX_PATH, _TRUNCATE, L"%s", szPath);
    ShowBrowserFrame(pData, FALSE);
}
