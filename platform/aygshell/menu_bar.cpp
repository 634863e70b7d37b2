#include "platform/aygshell/aygshell.h"
#include "platform/aygshell/shell_module.h"
#include "platform/aygshell/menu_bar_resource.h"
#include "platform/aygshell/top_bar.h"

#include <new>
#include <strsafe.h>

namespace {

const wchar_t kMenuBarClass[] = L"OmbrixMenuBar";
const int kImageSize = 16;
const COLORREF kTransparent = RGB(255, 0, 255);

// Toolbar messages live in WM_USER .. WM_USER + 199; the bar passes them on
// so that code written for the handheld can talk to the bar as a toolbar.
const UINT kToolbarFirst = WM_USER;
const UINT kToolbarLast = WM_USER + 199;

// RT_RCDATA in its wide form, whether or not the build defines UNICODE.
const LPCWSTR kRcDataType = MAKEINTRESOURCEW(10);

struct TextButton
{
    UINT nCommand;
    UINT nSubMenu;
    wchar_t szLabel[32];
};

struct MenuBarState
{
    HWND hwndParent;
    HINSTANCE hInstRes;
    HWND hwndToolbar;
    HMENU hMenu;         // owned; the text buttons' pop-ups are its items
    HIMAGELIST hImages;  // owned
    DWORD dwFlags;
    COLORREF clrBk;
    TextButton text[8];
    int nText;
};

MenuBarState* GetState(HWND hwnd)
{
    return reinterpret_cast<MenuBarState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

const TextButton* FindTextButton(const MenuBarState* pState, UINT nCommand)
{
    for (int i = 0; i < pState->nText; ++i)
        if (pState->text[i].nCommand == nCommand)
            return &pState->text[i];
    return nullptr;
}

HMENU SubMenuOf(const MenuBarState* pState, UINT nCommand)
{
    const TextButton* pText = FindTextButton(pState, nCommand);
    return pText && pState->hMenu ? GetSubMenu(pState->hMenu, pText->nSubMenu) : nullptr;
}

// Widths that fit ten buttons into the handheld's 240 pixels.
const int kImageButtonWidth = 22;
const int kTextMargin = 8;

int LabelWidth(HWND hwndTb, const wchar_t* pszLabel)
{
    HDC hdc = GetDC(hwndTb);
    if (!hdc)
        return 0;
    HGDIOBJ hOldFont = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessageW(hwndTb, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(hdc, pszLabel, lstrlenW(pszLabel), &size);
    SelectObject(hdc, hOldFont);
    ReleaseDC(hwndTb, hdc);
    return size.cx + 2 * kTextMargin;
}

bool AddButtons(MenuBarState* pState, const MenuBarDef& def)
{
    HWND hwndTb = pState->hwndToolbar;
    for (const MenuBarButtonDef& b : def.buttons)
    {
        TBBUTTON tb = {};
        tb.iBitmap = b.nImage;
        tb.idCommand = b.nCommand;
        tb.fsState = b.bState;
        tb.fsStyle = b.bStyle;
        tb.iString = -1;
        bool bSeparator = (b.bStyle & TBSTYLE_SEP) != 0;
        bool bText = b.nSubMenu != NOSUBMENU && !bSeparator;
        TextButton text = {b.nCommand, b.nSubMenu, L""};
        if (b.nString)
            LoadStringW(pState->hInstRes, b.nString, text.szLabel, ARRAYSIZE(text.szLabel));
        if (bText)
        {
            if (pState->nText == ARRAYSIZE(pState->text))
                return false;
            pState->text[pState->nText++] = text;
        }
        if (!SendMessageW(hwndTb, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&tb)))
            return false;
        if (bSeparator)
            continue;
        // Labels are drawn by the bar (custom draw): the toolbar would keep
        // room for an image beside them.
        TBBUTTONINFOW info = {sizeof(info), TBIF_SIZE};
        info.cx = static_cast<WORD>(text.szLabel[0] ? LabelWidth(hwndTb, text.szLabel) : kImageButtonWidth);
        SendMessageW(hwndTb, TB_SETBUTTONINFOW, b.nCommand, reinterpret_cast<LPARAM>(&info));
    }
    return true;
}

bool Populate(MenuBarState* pState, UINT nResource)
{
    HRSRC hRes = FindResourceW(pState->hInstRes, MAKEINTRESOURCEW(nResource), kRcDataType);
    HGLOBAL hData = hRes ? LoadResource(pState->hInstRes, hRes) : nullptr;
    const void* pData = hData ? LockResource(hData) : nullptr;
    MenuBarDef def;
    if (!pData || !ParseMenuBarResource(pData, SizeofResource(pState->hInstRes, hRes), &def))
        return false;
    if (def.nMenuId)
    {
        pState->hMenu = LoadMenuW(pState->hInstRes, MAKEINTRESOURCEW(def.nMenuId));
        if (!pState->hMenu)
            return false;
    }
    return AddButtons(pState, def);
}

void DropDown(MenuBarState* pState, UINT nCommand)
{
    HMENU hSub = SubMenuOf(pState, nCommand);
    if (!hSub)
        return;
    HWND hwndTb = pState->hwndToolbar;
    int nIndex = static_cast<int>(SendMessageW(hwndTb, TB_COMMANDTOINDEX, nCommand, 0));
    RECT rc = {};
    SendMessageW(hwndTb, TB_GETITEMRECT, nIndex, reinterpret_cast<LPARAM>(&rc));
    MapWindowPoints(hwndTb, nullptr, reinterpret_cast<POINT*>(&rc), 2);

    // The pop-up belongs to the parent, which so gets WM_INITMENUPOPUP and
    // the chosen item's WM_COMMAND directly, as from a window menu.
    SendMessageW(hwndTb, TB_PRESSBUTTON, nCommand, TRUE);
    TPMPARAMS tpm = {sizeof(tpm), rc};
    TrackPopupMenuEx(hSub, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_VERTICAL, rc.left, rc.top, pState->hwndParent,
                     &tpm);
    if (IsWindow(hwndTb))
        SendMessageW(hwndTb, TB_PRESSBUTTON, nCommand, FALSE);
}

LRESULT OnCommand(MenuBarState* pState, WPARAM wParam, LPARAM lParam)
{
    if (reinterpret_cast<HWND>(lParam) != pState->hwndToolbar)
        return 0;
    UINT nCommand = LOWORD(wParam);
    if (FindTextButton(pState, nCommand))
        DropDown(pState, nCommand);
    else
        SendMessageW(pState->hwndParent, WM_COMMAND, MAKEWPARAM(nCommand, 0), 0);
    return 0;
}

LRESULT OnCustomDraw(MenuBarState* pState, NMTBCUSTOMDRAW* pDraw)
{
    if (pDraw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    const TextButton* pText = pDraw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT
                                  ? FindTextButton(pState, static_cast<UINT>(pDraw->nmcd.dwItemSpec))
                                  : nullptr;
    if (!pText)
        return CDRF_DODEFAULT;

    HDC hdc = pDraw->nmcd.hdc;
    RECT rc = pDraw->nmcd.rc;
    bool bPressed = (pDraw->nmcd.uItemState & (CDIS_SELECTED | CDIS_CHECKED)) != 0 ||
                    (SendMessageW(pState->hwndToolbar, TB_GETSTATE, pText->nCommand, 0) & TBSTATE_PRESSED);
    if (bPressed)
        FillRect(hdc, &rc, GetSysColorBrush(COLOR_HIGHLIGHT));
    int nOldMode = SetBkMode(hdc, TRANSPARENT);
    COLORREF clrOld = SetTextColor(hdc, GetSysColor(bPressed ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT));
    DrawTextW(hdc, pText->szLabel, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(hdc, clrOld);
    SetBkMode(hdc, nOldMode);
    return CDRF_SKIPDEFAULT;
}

LRESULT OnNotify(MenuBarState* pState, LPARAM lParam)
{
    auto* pHdr = reinterpret_cast<NMHDR*>(lParam);
    if (pHdr->code == NM_CUSTOMDRAW && pHdr->hwndFrom == pState->hwndToolbar)
        return OnCustomDraw(pState, reinterpret_cast<NMTBCUSTOMDRAW*>(lParam));
    if (pHdr->code != TTN_GETDISPINFOW)
        return 0;
    // An image button's tooltip is the string of its command number.
    auto* pInfo = reinterpret_cast<NMTTDISPINFOW*>(lParam);
    UINT nCommand = static_cast<UINT>(pHdr->idFrom);
    pInfo->szText[0] = L'\0';
    pInfo->lpszText = pInfo->szText;
    if (!FindTextButton(pState, nCommand))
        LoadStringW(pState->hInstRes, nCommand, pInfo->szText, ARRAYSIZE(pInfo->szText));
    return 0;
}

LRESULT OnSetSubMenu(MenuBarState* pState, WPARAM wParam, LPARAM lParam)
{
    // The pop-up is swapped inside the bar's menu, which keeps owning it.
    const TextButton* pText = FindTextButton(pState, static_cast<UINT>(wParam));
    HMENU hOld = SubMenuOf(pState, static_cast<UINT>(wParam));
    if (!pText || !hOld || !lParam)
        return 0;
    wchar_t szText[64] = L"";
    GetMenuStringW(pState->hMenu, pText->nSubMenu, szText, ARRAYSIZE(szText), MF_BYPOSITION);
    RemoveMenu(pState->hMenu, pText->nSubMenu, MF_BYPOSITION);
    InsertMenuW(pState->hMenu, pText->nSubMenu, MF_BYPOSITION | MF_POPUP, static_cast<UINT_PTR>(lParam), szText);
    return reinterpret_cast<LRESULT>(hOld);
}

// The toolbar does not hold the labels it cannot lay out well; the bar
// answers for them.
LRESULT OnGetButtonText(MenuBarState* pState, WPARAM wParam, LPARAM lParam)
{
    const TextButton* pText = FindTextButton(pState, static_cast<UINT>(wParam));
    if (!pText)
        return SendMessageW(pState->hwndToolbar, TB_GETBUTTONTEXTW, wParam, lParam);
    // As with the toolbar's own strings, the caller sizes the buffer from a
    // first call with no buffer.
    size_t cch = static_cast<size_t>(lstrlenW(pText->szLabel));
    if (lParam)
        StringCchCopyW(reinterpret_cast<wchar_t*>(lParam), cch + 1, pText->szLabel);
    return static_cast<LRESULT>(cch);
}

void PlaceAtBottom(HWND hwnd, MenuBarState* pState)
{
    int cx = GetSystemMetrics(SM_CXSCREEN);
    int cy = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(hwnd, nullptr, 0, cy - OMBRIX_BAR_HEIGHT, cx, OMBRIX_BAR_HEIGHT, SWP_NOZORDER | SWP_NOACTIVATE);
    if (pState && pState->hwndToolbar)
        MoveWindow(pState->hwndToolbar, 0, 0, cx, OMBRIX_BAR_HEIGHT, TRUE);
}

// Makes the toolbar and its image list. On failure the state is handed back
// to SHCreateMenuBar, which frees it: the window no longer refers to it.
LRESULT OnCreate(HWND hwnd, LPARAM lParam)
{
    auto* pcs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* pState = static_cast<MenuBarState*>(pcs->lpCreateParams);

    pState->hwndToolbar = CreateWindowExW(
        0, TOOLBARCLASSNAMEW, L"",
        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
        0, 0, pcs->cx, pcs->cy, hwnd, nullptr, pcs->hInstance, nullptr);
    // A colour image list with a mask: right at every display depth, and
    // magenta shows the bar through.
    pState->hImages = ImageList_Create(kImageSize, kImageSize, ILC_COLOR24 | ILC_MASK, 8, 4);
    if (!pState->hwndToolbar || !pState->hImages)
    {
        if (pState->hImages)
            ImageList_Destroy(pState->hImages);
        return -1;  // the toolbar, if any, goes with the window
    }
    HWND hwndTb = pState->hwndToolbar;
    SendMessageW(hwndTb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(hwndTb, TB_SETBITMAPSIZE, 0, MAKELPARAM(kImageSize, kImageSize));
    SendMessageW(hwndTb, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(pState->hImages));
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pState));
    return 0;
}

LRESULT OnDestroy(HWND hwnd, MenuBarState* pState)
{
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (pState->hwndToolbar)
    {
        // The toolbar must let go of the image list before it is destroyed.
        SendMessageW(pState->hwndToolbar, TB_SETIMAGELIST, 0, 0);
        DestroyWindow(pState->hwndToolbar);
    }
    if (pState->hImages)
        ImageList_Destroy(pState->hImages);
    if (pState->hMenu)
        DestroyMenu(pState->hMenu);
    delete pState;
    return 0;
}

LRESULT OnEraseBackground(HWND hwnd, MenuBarState* pState, HDC hdc)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    HBRUSH hBrush = (pState->dwFlags & SHCMBF_COLORBK) ? CreateSolidBrush(pState->clrBk)
                                                         : GetSysColorBrush(COLOR_BTNFACE);
    FillRect(hdc, &rc, hBrush);
    if (pState->dwFlags & SHCMBF_COLORBK)
        DeleteObject(hBrush);
    return 1;
}

LRESULT CALLBACK MenuBarProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    MenuBarState* pState = GetState(hwnd);
    if (!pState && uMsg != WM_CREATE)
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);

    switch (uMsg)
    {
    case WM_CREATE:
        return OnCreate(hwnd, lParam);
    case WM_DESTROY:
        return OnDestroy(hwnd, pState);
    case WM_COMMAND:
        return OnCommand(pState, wParam, lParam);
    case WM_NOTIFY:
        return OnNotify(pState, lParam);
    case WM_ERASEBKGND:
        return OnEraseBackground(hwnd, pState, reinterpret_cast<HDC>(wParam));
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;  // taps on the bar leave the program's window active
    case WM_WINDOWPOSCHANGING:
        // Showing the bar must not activate it either.
        reinterpret_cast<WINDOWPOS*>(lParam)->flags |= SWP_NOACTIVATE;
        return 0;
    case WM_DISPLAYCHANGE:
        PlaceAtBottom(hwnd, pState);
        return 0;
    case SHCMBM_GETSUBMENU:
        return reinterpret_cast<LRESULT>(SubMenuOf(pState, static_cast<UINT>(lParam)));
    case SHCMBM_SETSUBMENU:
        return OnSetSubMenu(pState, wParam, lParam);
    case SHCMBM_GETMENU:
        return reinterpret_cast<LRESULT>(pState->hMenu);
    case TB_GETBUTTONTEXTW:
        return OnGetButtonText(pState, wParam, lParam);
    default:
        if (uMsg >= kToolbarFirst && uMsg <= kToolbarLast)
            return SendMessageW(pState->hwndToolbar, uMsg, wParam, lParam);
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    }
}

bool RegisterMenuBarClass(HINSTANCE hInst)
{
    WNDCLASSW wc = {};
    if (GetClassInfoW(hInst, kMenuBarClass, &wc))
        return true;
    wc.lpfnWndProc = MenuBarProc;
    wc.hInstance = hInst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kMenuBarClass;
    return RegisterClassW(&wc) != 0;
}

MenuBarState* BarStateOf(HWND hwnd)
{
    wchar_t szClass[32] = L"";
    if (!hwnd || !GetClassNameW(hwnd, szClass, ARRAYSIZE(szClass)) || lstrcmpW(szClass, kMenuBarClass) != 0)
        return nullptr;
    return GetState(hwnd);
}

} // namespace

extern "C" BOOL SHCreateMenuBar(SHMENUBARINFO* pmbi)
{
    if (!pmbi || pmbi->cbSize < sizeof(SHMENUBARINFO) || !IsWindow(pmbi->hwndParent) ||
        (pmbi->dwFlags & SHCMBF_HMENU))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    pmbi->hwndMB = nullptr;

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    HINSTANCE hInst = ShellModule();
    if (!RegisterMenuBarClass(hInst))
        return FALSE;
    // The shell is up whenever a program has a menu bar.
    EnsureTopBar();

    auto* pState = new (std::nothrow) MenuBarState();
    if (!pState)
    {
        SetLastError(ERROR_OUTOFMEMORY);
        return FALSE;
    }
    pState->hwndParent = pmbi->hwndParent;
    pState->hInstRes = pmbi->hInstRes;
    pState->dwFlags = pmbi->dwFlags;
    pState->clrBk = pmbi->clrBk;

    // Owned by the parent's top-level window: always above it, hidden and
    // destroyed with it.
    int cx = GetSystemMetrics(SM_CXSCREEN);
    int cy = GetSystemMetrics(SM_CYSCREEN);
    HWND hwndOwner = GetAncestor(pmbi->hwndParent, GA_ROOT);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMenuBarClass, L"", WS_POPUP | WS_CLIPCHILDREN,
                                0, cy - OMBRIX_BAR_HEIGHT, cx, OMBRIX_BAR_HEIGHT, hwndOwner, nullptr, hInst, pState);
    if (!hwnd)
    {
        delete pState;  // a failed WM_CREATE left it to us
        return FALSE;
    }
    bool bFilled = (pmbi->dwFlags & SHCMBF_EMPTYBAR) || Populate(pState, pmbi->nToolBarId);
    if (bFilled && pmbi->nBmpId)
        bFilled = CommandBar_AddBitmap(hwnd, pmbi->hInstRes, pmbi->nBmpId, pmbi->cBmpImages, kImageSize,
                                       kImageSize) >= 0;
    if (!bFilled)
    {
        DestroyWindow(hwnd);
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    if (!(pmbi->dwFlags & SHCMBF_HIDDEN))
        ShowWindow(hwnd, SW_SHOWNA);
    pmbi->hwndMB = hwnd;
    return TRUE;
}

extern "C" int CommandBar_AddBitmap(HWND hwndCB, HINSTANCE hInst, int idBitmap, int iNumImages, int iImageWidth,
                                    int iImageHeight)
{
    MenuBarState* pState = BarStateOf(hwndCB);
    if (!pState || iNumImages <= 0 || iImageWidth != kImageSize || iImageHeight != kImageSize)
        return -1;

    HBITMAP hbm = static_cast<HBITMAP>(
        LoadImageW(hInst, MAKEINTRESOURCEW(idBitmap), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!hbm)
        return -1;
    BITMAP bm = {};
    GetObjectW(hbm, sizeof(bm), &bm);
    int nFirst = -1;
    if (bm.bmWidth >= iNumImages * iImageWidth && bm.bmHeight >= iImageHeight)
    {
        int nBefore = ImageList_GetImageCount(pState->hImages);
        nFirst = ImageList_AddMasked(pState->hImages, hbm, kTransparent);
        // The bitmap may hold more images than asked for: keep only those.
        while (nFirst >= 0 && ImageList_GetImageCount(pState->hImages) > nBefore + iNumImages)
            ImageList_Remove(pState->hImages, ImageList_GetImageCount(pState->hImages) - 1);
    }
    DeleteObject(hbm);
    if (nFirst >= 0)
        InvalidateRect(pState->hwndToolbar, nullptr, TRUE);
    return nFirst;
}
