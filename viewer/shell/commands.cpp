#include "viewer/shell/commands.h"

#include <stdio.h>

#include "viewer/browser/picture_list.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/picture_entry.h"
#include "viewer/common/shared_paths.h"
#include "viewer/extras/capture/screen_capture.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/about_box.h"
#include "viewer/shell/browser_commands.h"
#include "viewer/shell/faces.h"
#include "viewer/shell/file_info_dialog.h"
#include "viewer/common/main_window_data.h"
#include "viewer/shell/open_picture.h"
#include "viewer/shell/options_sheet.h"
#include "viewer/shell/screen_chrome.h"
#include "viewer/shell/slideshow_handlers.h"
#include "viewer/shell/viewer_input.h"

typedef void (*CommandHandler)(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);

struct CommandEntry
{
    WORD wCommand;
    bool bViewerOnly; // does nothing while the browser is shown
    CommandHandler pfnHandler;
};

// Ctrl+Q and the shell's OK button: pause whatever runs, then close.
static void OnCmdClose(HWND hwnd, MainWindowData*, WPARAM, LPARAM)
{
    SendMessageW(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

static void OnCmdExit(HWND hwnd, MainWindowData*, WPARAM, LPARAM)
{
    DestroyWindow(hwnd);
}

static void OnCmdAbout(HWND hwnd, MainWindowData* pData, WPARAM, LPARAM)
{
    ApplyNormalLayout(pData);
    ShowAboutBox(hwnd);
}

static void OnCmdOptions(HWND hwnd, MainWindowData* pData, WPARAM, LPARAM)
{
    // The sheet may change how pictures are shown and what the folder holds.
    DropPreload(pData);
    ShowOptions(hwnd);
}

static void OnCmdFitToggle(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    pData->nFitMode = pData->nFitMode == 1 ? 0 : 1;
    if (pData->bFullScreen)
    {
        // Hidden and shown again so that it repaints with the new mode's image.
        HWND hwndFit = GetFullScreenButton(IDC_FS_FIT);
        ShowWindow(hwndFit, SW_HIDE);
        ShowWindow(hwndFit, SW_SHOW);
    }
    if (pData->pRenderer)
    {
        if (pData->nFitMode == 1)
            pData->pRenderer->SetFitToScreen(1);
        else
            pData->pRenderer->ZoomOneToOne();
    }
    UpdateMenuBar(pData);
}

static void OnCmdZoom(HWND, MainWindowData* pData, WPARAM wParam, LPARAM)
{
    pData->nFitMode = 0;
    if (pData->pRenderer)
    {
        if (LOWORD(wParam) == IDM_ZOOM_IN)
            pData->pRenderer->ZoomIn();
        else
            pData->pRenderer->ZoomOut();
    }
    UpdateMenuBar(pData);
}

static void OnCmdRotate(HWND, MainWindowData* pData, WPARAM wParam, LPARAM)
{
    if (!pData->pRenderer)
        return;
    LONG nRotation = pData->pRenderer->GetRotation();
    nRotation += LOWORD(wParam) == IDM_ROTATE_RIGHT ? -90 : 90;
    pData->pRenderer->SetRotation(nRotation % 360);
}

// Either flip replaces the other: the two never combine through these commands.
static void OnCmdFlip(HWND, MainWindowData* pData, WPARAM wParam, LPARAM)
{
    if (!pData->pRenderer)
        return;
    DWORD dwFlip = pData->pRenderer->GetFlip();
    DWORD dwBit = LOWORD(wParam) == IDM_FLIP_HORIZONTAL ? 1 : 16;
    pData->pRenderer->SetFlip((dwFlip & dwBit) ? 0 : dwBit);
}

static void OnCmdRefreshView(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    if (!pData->pRenderer)
        return;
    pData->pRenderer->ResetView();
    pData->pRenderer->StartRendering();
    SetToolMenuCheck(IDM_LANDSCAPE, pData->pRenderer->GetLandscape() != 0);
    SetToolMenuCheck(IDM_TITLE_BAR, !pData->bTitleBarHidden);
}

// Steps from the current entry until a picture opens; beeps at the end.
static void OnCmdStep(HWND, MainWindowData* pData, WPARAM wParam, LPARAM)
{
    const bool bNext = LOWORD(wParam) == IDM_NEXT;
    WCHAR szFolder[MAX_PATH];
    FolderPart(g_szPicturePath, szFolder, MAX_PATH);
    PictureEntry* pEntry = pData->pCurrentEntry;
    while (pEntry && (pEntry = bNext ? NextPicture(pEntry) : PreviousPicture(pEntry)) != NULL)
    {
        if (OpenFolderEntry(pData, szFolder, pEntry))
        {
            // The user who stepped this way will most likely step on.
            PreloadNeighbour(pData, bNext);
            return;
        }
    }
    MessageBeep(MB_OK);
}

static void OnCmdOpenBrowser(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    DropPreload(pData);
    EndSlideShow(pData);
    SelectCurrentEntry(pData);
    FocusBrowserPane();
    ShowBrowser(pData);
}

static void OnCmdSlideshowStart(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    StartSlideshow(pData);
}

static void OnCmdSlideshowStop(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    DropPreload(pData);
    StopSlideshow(pData);
}

// The file may be the one decoded ahead.
static void OnCmdDelete(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam)
{
    DropPreload(pData);
    OnCmdDeleteFile(hwnd, pData, wParam, lParam);
}

static void OnCmdFullScreen(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    ToggleFullScreen(pData);
}

static void OnCmdLandscape(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    ToggleLandscape(pData);
}

static void OnCmdTitleBar(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    ToggleTitleBar(pData);
}

static void OnCmdScreenCapture(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    OpenCaptureWindow(pData);
}

static void OnCmdInformation(HWND hwnd, MainWindowData*, WPARAM, LPARAM)
{
    ShowFileInfo(hwnd);
}

// Numbers that only stand for another command.
static WORD CanonicalCommand(WORD wCommand)
{
    switch (wCommand)
    {
    case IDC_CLOSE_ALT:
        return IDOK;
    case IDC_FS_LEAVE:
        return IDM_FULL_SCREEN;
    case IDC_FS_ZOOM_IN:
    case IDM_ZOOM_IN_ALT:
        return IDM_ZOOM_IN;
    case IDC_FS_ZOOM_OUT:
    case IDM_ZOOM_OUT_ALT:
        return IDM_ZOOM_OUT;
    case IDC_FS_FIT:
    case IDM_FIT_TO_SCREEN_ON:
    case IDM_ORIGINAL_SIZE:
        return IDM_FIT_TO_SCREEN;
    case IDM_OPEN_ALT:
        return IDM_OPEN;
    case IDM_PREVIOUS_ALT:
        return IDM_PREVIOUS;
    case IDM_NEXT_ALT:
        return IDM_NEXT;
    default:
        return wCommand;
    }
}

static const CommandEntry s_rgCommands[] = {
    {IDOK, false, OnCmdClose},
    {IDM_FILE_EXIT, false, OnCmdExit},
    {IDM_ABOUT, false, OnCmdAbout},
    {IDM_OPTION, false, OnCmdOptions},
    {IDM_FIT_TO_SCREEN, true, OnCmdFitToggle},
    {IDM_FULL_SCREEN, true, OnCmdFullScreen},
    {IDM_LANDSCAPE, false, OnCmdLandscape},
    {IDM_TITLE_BAR, false, OnCmdTitleBar},
    {IDM_FLIP_HORIZONTAL, false, OnCmdFlip},
    {IDM_FLIP_VERTICAL, false, OnCmdFlip},
    {IDM_ROTATE_RIGHT, true, OnCmdRotate},
    {IDM_ROTATE_LEFT, true, OnCmdRotate},
    {IDM_NEXT, true, OnCmdStep},
    {IDM_PREVIOUS, true, OnCmdStep},
    {IDM_OPEN, false, OnCmdOpenBrowser},
    {IDM_ZOOM_IN, true, OnCmdZoom},
    {IDM_ZOOM_OUT, true, OnCmdZoom},
    {IDM_REFRESH_VIEW, false, OnCmdRefreshView},
    {IDM_SCREEN_CAPTURE, false, OnCmdScreenCapture},
    {IDM_SLIDESHOW_START, true, OnCmdSlideshowStart},
    {IDM_SLIDESHOW_STOP, false, OnCmdSlideshowStop},
    {IDM_LIST_VIEW, false, OnCmdListView},
    {IDM_SMALL_LIST_VIEW, false, OnCmdListView},
    {IDM_THUMBNAIL_VIEW, false, OnCmdThumbnailView},
    {IDM_DELETE_THUMBNAIL, false, OnCmdDeleteThumbnails},
    {IDM_REFRESH_FOLDER, false, OnCmdRefreshFolder},
    {IDM_DELETE, false, OnCmdDelete},
    {IDM_INFORMATION, false, OnCmdInformation},
};

LRESULT OnMainCommand(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam)
{
    WORD wCommand = CanonicalCommand(LOWORD(wParam));
    for (const CommandEntry& entry : s_rgCommands)
    {
        if (entry.wCommand != wCommand)
            continue;
        if (!entry.bViewerOnly || !IsBrowserVisible(pData))
            entry.pfnHandler(hwnd, pData, MAKEWPARAM(wCommand, HIWORD(wParam)), lParam);
        return 0;
    }
    return DefWindowProcW(hwnd, WM_COMMAND, wParam, lParam);
}
