// Pocket PC shell library of the handheld, for the desktop build.
//
// Names, values and record shapes are the handheld's, so the viewer reads as
// handheld code. What each piece does on the desktop:
//
// The shell's top bar: a 26-pixel strip across the top of the screen
// (class OMBRIX_TOPBAR_CLASS, topmost, never activated) that shows the
// title of the foreground window; its window text is that title too. It is
// made by the first SHCreateMenuBar, SHFullScreen or SHInitDialog call of
// the process and lives on that caller's thread. The foreground window of
// this process decides whether it shows (see SHFullScreen). When the
// foreground dialog asked for a done button, the bar shows "ok" at its right
// end (OMBRIX_DONE_WIDTH pixels); a tap on it sends WM_COMMAND IDOK to the
// dialog.
//
// Menu bars: see SHCreateMenuBar and the resource format below.
#pragma once

#include <windows.h>
#include <commctrl.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- Menu bars -----------------------------------------------------------

// Menu-bar resource (RT_RCDATA, 16-bit little-endian words):
//   menu id        the MENU resource whose pop-ups text buttons drop down
//                  (0: none)
//   button count
//   per button, 6 words:
//     image        index in the bar's image list; I_IMAGENONE for text
//                  buttons and separators
//     command      WM_COMMAND id of an image button; the id of a text
//                  button's pop-up (asked for with SHCMBM_GETSUBMENU)
//     state        TBSTATE_* (TBSTATE_HIDDEN hides the button)
//     style        TBSTYLE_* (TBSTYLE_SEP for a separator)
//     string       string-table id of a text button's label; 0 for image
//                  buttons, whose tooltip is the string of their command
//     pop-up       index of the text button's pop-up in the menu;
//                  NOSUBMENU for none
#define NOSUBMENU 0xFFFF
#ifndef I_IMAGENONE
#define I_IMAGENONE (-2)
#endif

// SHMENUBARINFO.dwFlags
#define SHCMBF_EMPTYBAR      0x0001  // no resource: a bar without buttons
#define SHCMBF_HIDDEN        0x0002  // create the bar hidden
#define SHCMBF_HIDESIPBUTTON 0x0004  // no input-panel button (there is none here)
#define SHCMBF_COLORBK       0x0008  // paint the bar with clrBk
#define SHCMBF_HMENU         0x0010  // nToolBarId names a plain menu: not supported, fails

// Bar messages. Toolbar messages (WM_USER .. WM_USER + 199) sent to the bar
// go to its toolbar, as on the handheld.
#define SHCMBM_SETSUBMENU (WM_USER + 400)  // wParam: button command, lParam: HMENU; returns the old one
#define SHCMBM_GETSUBMENU (WM_USER + 401)  // lParam: button command; returns its pop-up or NULL
#define SHCMBM_GETMENU    (WM_USER + 402)  // returns the bar's menu (the MENU resource), or NULL

// Height of the menu bar and of the shell's top bar.
#define OMBRIX_BAR_HEIGHT 26

typedef struct tagSHMENUBARINFO {
    DWORD cbSize;        // sizeof(SHMENUBARINFO)
    HWND hwndParent;     // gets WM_COMMAND, WM_INITMENUPOPUP; owns the bar
    DWORD dwFlags;       // SHCMBF_*
    UINT nToolBarId;     // menu-bar resource id
    HINSTANCE hInstRes;  // module holding the resources and the tooltips
    int nBmpId;          // bitmap of 16x16 images added first (0: none)
    int cBmpImages;      // images in nBmpId
    HWND hwndMB;         // out: the bar
    COLORREF clrBk;      // with SHCMBF_COLORBK
} SHMENUBARINFO, *PSHMENUBARINFO;

// Creates a bar across the bottom 26 pixels of the screen from a menu-bar
// resource. The bar is a top-level window owned by the parent's top-level
// window, so it stays above it; it never takes activation. Clicking an image
// button sends WM_COMMAND (button command, 0 notification) to hwndParent;
// clicking a text button drops its pop-up upwards, owned by hwndParent, which
// so gets WM_INITMENUPOPUP and the chosen item's WM_COMMAND. Destroy the bar
// with DestroyWindow. Returns FALSE with hwndMB NULL on any failure.
BOOL SHCreateMenuBar(SHMENUBARINFO* pmbi);

// Adds iNumImages images of iImageWidth x iImageHeight from bitmap idBitmap
// (magenta 0xFF00FF transparent) to the bar's image list. Returns the index
// of the first one, or -1 on failure.
int CommandBar_AddBitmap(HWND hwndCB, HINSTANCE hInst, int idBitmap, int iNumImages,
                         int iImageWidth, int iImageHeight);

// ---- Full screen ---------------------------------------------------------

#define SHFS_SHOWTASKBAR     0x0001  // show the top bar
#define SHFS_HIDETASKBAR     0x0002  // hide the top bar
#define SHFS_SHOWSIPBUTTON   0x0004  // no input panel here: accepted, no effect
#define SHFS_HIDESIPBUTTON   0x0008
#define SHFS_SHOWSTARTICON   0x0010  // no start icon here: accepted, no effect
#define SHFS_HIDESTARTICON   0x0020

// Records for hwnd's top-level window whether it wants the top bar, and
// applies it now. Later, whenever a window of this process comes to the
// foreground, the top bar follows that window's wish (shown by default).
// FALSE for an invalid window, no flag, or show and hide together.
BOOL SHFullScreen(HWND hwnd, DWORD dwState);

// The top bar (made if there is none yet). For tests and for layouts that
// need to know whether it is up.
HWND OmbrixTopBar(void);
#define OMBRIX_TOPBAR_CLASS L"OmbrixShellTopBar"
#define OMBRIX_DONE_WIDTH 26

// ---- Dialogs -------------------------------------------------------------

#define SHIDIM_FLAGS 0x0001

#define SHIDIF_DONEBUTTON          0x0001  // "ok" in the top bar sends IDOK
#define SHIDIF_SIZEDLG             0x0002  // fill the screen between the bars
#define SHIDIF_SIZEDLGFULLSCREEN   0x0004  // fill the screen below the top bar
#define SHIDIF_SIPDOWN             0x0008  // no input panel here: no effect
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010  // as SHIDIF_SIZEDLGFULLSCREEN

typedef struct tagSHINITDLGINFO {
    DWORD dwMask;   // SHIDIM_FLAGS
    HWND hDlg;
    DWORD dwFlags;  // SHIDIF_*
} SHINITDLGINFO, *PSHINITDLGINFO;

// Call from WM_INITDIALOG. The sizing flags take away the dialog's caption
// and frame (its title shows in the top bar instead) and move it to fill the
// screen below the top bar (SHIDIF_SIZEDLG: and above the menu bar). With
// no flags the dialog keeps its template size. FALSE for a null record, a
// mask without SHIDIM_FLAGS or an invalid window.
BOOL SHInitDialog(PSHINITDLGINFO pshidi);

// ---- Tap and hold --------------------------------------------------------

#define SHRG_RETURNCMD    0x0001  // return GN_CONTEXTMENU, send nothing
#define SHRG_NOTIFYPARENT 0x0002  // send the notification to hwndClient's parent
#define SHRG_LONGDELAY    0x0008  // wait twice as long
#define SHRG_NOANIMATION  0x0010  // no effect: nothing is animated here

#define GN_CONTEXTMENU 1000

// How long the stylus must stay down, and how far it may wander meanwhile.
#define OMBRIX_HOLD_MS 500

typedef struct tagSHRGI {
    DWORD cbSize;     // sizeof(SHRGINFO)
    HWND hwndClient;  // the window that got the button-down
    POINT ptDown;     // where, in hwndClient's client coordinates
    DWORD dwFlags;    // SHRG_*
} SHRGINFO, *PSHRGINFO;

// WM_NOTIFY record of GN_CONTEXTMENU: hdr.hwndFrom = hwndClient, hdr.idFrom
// = its control id, ptAction in screen coordinates.
typedef struct tagNMRGINFO {
    NMHDR hdr;
    POINT ptAction;
    DWORD dwItemSpec;
} NMRGINFO, *PNMRGINFO;

// Call on WM_LBUTTONDOWN (or, on the desktop, WM_RBUTTONDOWN). Waits, with
// the mouse captured, until the button is released or the pointer moves
// beyond the drag distance (not a gesture: returns 0 and leaves that
// message queued for the window) or the hold time passes (a gesture). A
// right button counts at once. On a gesture it sends WM_NOTIFY with
// GN_CONTEXTMENU to hwndClient, or to its parent with SHRG_NOTIFYPARENT,
// and returns GN_CONTEXTMENU; with SHRG_RETURNCMD it only returns it.
DWORD SHRecognizeGesture(SHRGINFO* shrg);

// ---- Settings change -----------------------------------------------------

#ifndef SPI_SETSIPINFO
#define SPI_SETSIPINFO 224
#endif

typedef struct tagSHACTIVATEINFO {
    DWORD cbSize;      // sizeof(SHACTIVATEINFO)
    HWND hwndLastFocus;
    UINT fSipUp : 1;
    UINT fSipOnDeactivation : 1;
    UINT fActive : 1;
    UINT fReserved : 29;
} SHACTIVATEINFO, *PSHACTIVATEINFO;

// Call from WM_SETTINGCHANGE with its parameters and a record the window
// keeps for its life (zero-filled; cbSize may be 0 at first). Keeps the
// record's input-panel state: the desktop has no input panel, so it is
// always down and no window needs resizing for it. When the work area
// changed, the shell's bars are placed again on the new screen. FALSE for an
// invalid window or a null record.
BOOL SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* psai);

#ifdef __cplusplus
}
#endif
