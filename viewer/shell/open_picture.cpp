#include "viewer/shell/open_picture.h"

#include <wchar.h>

#include "viewer/browser/dir_tree.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/picture_entry.h"
#include "viewer/common/shared_paths.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/load/image_loader.h"
#include "viewer/imaging/load/preload_slot.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/common/app_texts.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/shell/faces.h"
#include "viewer/shell/viewer_input.h"

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

// The picture decoded ahead when it is this file as it is now. The slot is
// empty afterwards either way: its picture is never kept beside a new decode.
static HBITMAP TakePreloaded(MainWindowData* pData, const WCHAR* pszPath)
{
    return pData->pPreload ? pData->pPreload->Take(pszPath) : NULL;
}

void DropPreload(MainWindowData* pData)
{
    if (pData && pData->pPreload)
        pData->pPreload->Drop();
}

void PreloadNeighbour(MainWindowData* pData, bool bForward)
{
    if (!pData || !pData->pPreload)
        return;
    DropPreload(pData);
    if (!pData->pRenderer || IsSlideshowRunning(pData))
        return;
    // The entry the step would open: it passes over names that do not fit.
    WCHAR szFolder[MAX_PATH];
    FolderPart(g_szPicturePath, szFolder, MAX_PATH);
    WCHAR szPath[MAX_PATH];
    PictureEntry* pEntry = pData->pCurrentEntry;
    while (pEntry && (pEntry = bForward ? NextPicture(pEntry) : PreviousPicture(pEntry)) != NULL)
    {
        if (JoinPath(szFolder, pEntry->szName, szPath, MAX_PATH))
        {
            pData->pPreload->Preload(szPath, pData->pRenderer->GetRenderedEvent());
            return;
        }
    }
}

// During a slideshow the picture is decoded before the shown one goes, with
// the record's own decoder, and set at once so the transition can draw it.
// One that cannot be decoded is null: the shown picture stays, and the
// slideshow's step passes the file over.
static HBITMAP DecodeForSlideshow(MainWindowData* pData, const WCHAR* pszPath)
{
    if (!pData->pRenderer || !pData->pDecoder)
        return NULL;
    pData->pRenderer->StopRendering();
    HBITMAP hbm = TakePreloaded(pData, pszPath);
    if (!hbm)
    {
        // The viewer's options: a picture from the slot and one decoded here
        // come out alike.
        DecodeOptions options;
        ViewerDecodeOptions(&options);
        hbm = pData->pDecoder->LoadNow(pszPath, &options);
    }
    return hbm;
}

int OpenPicture(MainWindowData* pData, const WCHAR* pszPath)
{
    if (!pData || !pszPath)
        return 0;
    const bool bSlideshow = IsSlideshowRunning(pData) != FALSE;
    HBITMAP hbm = bSlideshow ? DecodeForSlideshow(pData, pszPath) : TakePreloaded(pData, pszPath);
    if (bSlideshow && !hbm)
        return 0;

    // The old picture goes before the face switch, so the viewer never draws
    // it again, and (but in a slideshow) before the decode, so that the two
    // are not held at once.
    ClearShownPicture(pData);
    if (IsBrowserVisible(pData))
        ShowViewer(pData);
    if (bSlideshow)
        AdoptPicture(pData, hbm, GetViewerOptimizedView() != 0);
    else if (pData->pLoader)
        pData->pLoader->Show(pszPath, hbm);
    else if (hbm)
        DeleteObject(hbm);
    SetPictureTitle(pData, pszPath);
    return 1;
}

bool OpenEntryPicture(MainWindowData* pData, PictureEntry* pEntry, const WCHAR* pszPath)
{
    if (!OpenPicture(pData, pszPath))
        return false;
    pData->pCurrentEntry = pEntry;
    wcscpy_s(g_szPicturePath, MAX_PATH, pszPath);
    return true;
}

bool OpenFolderEntry(MainWindowData* pData, const WCHAR* pszFolder, PictureEntry* pEntry)
{
    WCHAR szPath[MAX_PATH];
    return JoinPath(pszFolder, pEntry->szName, szPath, MAX_PATH) && OpenEntryPicture(pData, pEntry, szPath);
}

static void ShowBrowserFrame(MainWindowData* pData, BOOL bShow)
{
    if (pData->hwndBrowser)
        ShowWindow(pData->hwndBrowser, bShow ? SW_SHOW : SW_HIDE);
}

// The tree starts at "\": a folder it cannot reach (one with a drive letter)
// is listed directly, as a start picture's folder is, so that the next exit
// stores that folder again and not the tree's root.
static void ListUnreachedFolder(MainWindowData* pData, const WCHAR* pszFolder)
{
    WCHAR szPattern[MAX_PATH];
    if (!pszFolder[0] || !JoinPath(pszFolder, L"*.*", szPattern, MAX_PATH))
        return;
    FolderPart(szPattern, g_szBrowsePath, MAX_PATH);
    const BOOL bAny = ReadFolder(g_szBrowsePath, pData->nSortKey) > 0;
    ShowWindow(GetNoImagesWindow(), bAny ? SW_HIDE : SW_SHOW);
    ShowWindow(GetFileListWindow(), bAny ? SW_SHOW : SW_HIDE);
}

static void StartInBrowser(MainWindowData* pData, const WCHAR* pszFolder, bool bListUnreached)
{
    _snwprintf_s(g_szPicturePath, MAX_PATH, _TRUNCATE, L"%s", pszFolder);
    if (!WalkTreeToPath(GetDirectoryTreeWindow(), g_szPicturePath) && bListUnreached)
        ListUnreachedFolder(pData, pszFolder);
    ShowBrowserFrame(pData, TRUE);
}

void ApplyStartMode(MainWindowData* pData)
{
    if (!pData)
        return;
    WCHAR szFolder[MAX_PATH];
    if (GetSetting(SZ_START_MODE, DEF_START_MODE) != 1)
    {
        GetStringSetting(SZ_START_FOLDER, szFolder, SETTING_TEXT_BYTES, DEF_START_FOLDER_BROWSER);
        StartInBrowser(pData, szFolder, false);
        return;
    }

    WCHAR szName[MAX_PATH];
    GetStringSetting(SZ_START_FOLDER, szFolder, SETTING_TEXT_BYTES, DEF_START_FOLDER_VIEWER);
    GetStringSetting(SZ_START_FILENAME, szName, SETTING_TEXT_BYTES, DEF_START_FILENAME);
    // No name means no picture was current at the last exit (it was in
    // another folder): the folder is shown rather than opened as a picture.
    WCHAR szPath[MAX_PATH];
    if (!szName[0] || !JoinPath(szFolder, szName, szPath, MAX_PATH))
    {
        StartInBrowser(pData, szFolder, true);
        return;
    }
    wcscpy_s(g_szPicturePath, MAX_PATH, szPath);
    // A list hidden at start asks for thumbnails, unless the walk reaches a
    // folder: its own visibility, not its hidden frame's, tells.
    HWND hwndList = GetFileListWindow();
    const bool bListHidden = hwndList && !(GetWindowLongPtrW(hwndList, GWL_STYLE) & WS_VISIBLE);
    FolderPart(szPath, g_szBrowsePath, MAX_PATH);

    if (!OpenPicture(pData, szPath))
    {
        if (bListHidden)
            pData->nViewMode = VIEW_MODE_THUMBNAILS;
        ShowBrowserFrame(pData, TRUE);
        return;
    }
    // The tree starts at "\": a start folder it cannot reach (one with a
    // drive letter) is listed directly, so that the viewer can still step.
    // Each folder the walk selects becomes the browse path.
    WCHAR szStartFolder[MAX_PATH];
    FolderPart(szPath, szStartFolder, MAX_PATH);
    g_szBrowsePath[0] = L'\0';
    if (!WalkTreeToPath(GetDirectoryTreeWindow(), szPath) && bListHidden)
        pData->nViewMode = VIEW_MODE_THUMBNAILS;
    if (_wcsicmp(g_szBrowsePath, szStartFolder) != 0)
    {
        wcscpy_s(g_szBrowsePath, MAX_PATH, szStartFolder);
        ReadFolder(g_szBrowsePath, pData->nSortKey);
    }
    _snwprintf_s(g_szPicturePath, MAX_PATH, _TRUNCATE, L"%s", szPath);
    ShowBrowserFrame(pData, FALSE);
}
