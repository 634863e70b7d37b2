#include "viewer/browser/dir_tree.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <algorithm>

#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/picture_selection.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/shared_paths.h"
#include "viewer/common/wait_cursor.h"
#include "viewer/resources/resource.h"

static HWND s_hwndTree = NULL;
static HIMAGELIST s_himlFolders = NULL;

#define TREE_STYLE                                                                                          \
    (WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_DISABLEDRAGDROP |       \
     TVS_SHOWSELALWAYS)

BOOL CreateDirectoryTree(HWND hwndFrame)
{
    HINSTANCE hInstance = (HINSTANCE)GetWindowLongPtrW(hwndFrame, GWLP_HINSTANCE);
    s_hwndTree = CreateWindowExW(0, WC_TREEVIEWW, L"DirectoryView", TREE_STYLE, 0, 0, 0, 0, hwndFrame,
                                 (HMENU)IDC_DIR_TREE, hInstance, NULL);
    if (!s_hwndTree)
        return FALSE;
    // The tree never destroys its image list: teardown does.
    s_himlFolders = ImageList_LoadImageW(hInstance, MAKEINTRESOURCEW(IDB_FOLDER_TREE), 16, 1, RGB(255, 0, 255),
                                         IMAGE_BITMAP, 0);
    if (s_himlFolders)
        TreeView_SetImageList(s_hwndTree, s_himlFolders, TVSIL_NORMAL);
    FillTreeRoot(s_hwndTree);
    return TRUE;
}

void DestroyDirectoryTree(void)
{
    if (s_hwndTree)
        DestroyWindow(s_hwndTree);
    s_hwndTree = NULL;
    if (s_himlFolders)
        ImageList_Destroy(s_himlFolders);
    s_himlFolders = NULL;
}

HWND GetDirectoryTreeWindow(void)
{
    return s_hwndTree;
}

// The item whose folder the last selection listed, and, while a walk
// expands the item it has just selected, that item: its expansion finds the
// sub-folders in place instead of reading the folder a second time.
static HTREEITEM s_hLastListed = NULL;
static HTREEITEM s_hListedInPlace = NULL;

// Selects the item, which lists its folder, then expands it.
static void SelectAndExpand(HWND hwndTree, HTREEITEM hItem)
{
    s_hLastListed = NULL;
    TreeView_SelectItem(hwndTree, hItem);
    // An item that was selected already is not listed again: its expansion
    // lists it.
    s_hListedInPlace = s_hLastListed == hItem ? hItem : NULL;
    TreeView_Expand(hwndTree, hItem, TVE_EXPAND);
    s_hListedInPlace = NULL;
}

void FillTreeRoot(HWND hwndTree)
{
    HTREEITEM hRoot = AddFolderItem(hwndTree, L"\\", NULL);
    if (hRoot)
        SelectAndExpand(hwndTree, hRoot);
}

static void SetHasChildren(HWND hwndTree, HTREEITEM hItem, bool bHas)
{
    TVITEMW item = {};
    item.mask = TVIF_CHILDREN | TVIF_HANDLE;
    item.hItem = hItem;
    item.cChildren = bHas ? 1 : 0;
    TreeView_SetItem(hwndTree, &item);
}

// The "." and ".." the desktop lists in every folder below a drive's root.
HTREEITEM AddFolderItem(HWND hwndTree, const WCHAR* pszName, HTREEITEM hParent)
{
    if (!pszName || IsDotName(pszName))
        return NULL;
    TVINSERTSTRUCTW tvis = {};
    tvis.hParent = hParent ? hParent : TVI_ROOT;
    tvis.hInsertAfter = TVI_SORT;
    tvis.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    tvis.item.pszText = const_cast<WCHAR*>(pszName);
    // Whether the folder has sub-folders is asked when its item is drawn or
    // expanded, not now: a large sibling folder would slow every listing.
    tvis.item.cChildren = I_CHILDRENCALLBACK;
    return TreeView_InsertItem(hwndTree, &tvis);
}

static bool IsSubfolder(const WIN32_FIND_DATAW& fd)
{
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDotName(fd.cFileName);
}

int HasSubfolder(const WCHAR* pszPattern)
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(pszPattern, &fd);
    bool bFound = false;
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
            bFound = IsSubfolder(fd);
        while (!bFound && FindNextFileW(hFind, &fd));
        FindClose(hFind);
    }
    return bFound ? 1 : 0;
}

static bool ItemText(HWND hwndTree, HTREEITEM hItem, WCHAR* pszText, int cch)
{
    TVITEMW item = {};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = hItem;
    item.pszText = pszText;
    item.cchTextMax = cch;
    pszText[0] = L'\0';
    return TreeView_GetItem(hwndTree, &item) != FALSE;
}

int TreeItemPath(HWND hwndTree, HTREEITEM hItem, WCHAR* pszOut, size_t cchOut)
{
    WCHAR szPath[MAX_PATH];
    if (!ItemText(hwndTree, hItem, szPath, MAX_PATH))
        return 0;
    for (HTREEITEM hParent = TreeView_GetParent(hwndTree, hItem); hParent;
         hParent = TreeView_GetParent(hwndTree, hParent))
    {
        WCHAR szParent[MAX_PATH];
        if (!ItemText(hwndTree, hParent, szParent, MAX_PATH))
            return 0;
        WCHAR szJoined[MAX_PATH];
        if (!JoinPath(szParent, szPath, szJoined, MAX_PATH))
            return 0;
        wcscpy_s(szPath, MAX_PATH, szJoined);
    }
    return JoinPath(szPath, L"*.*", pszOut, cchOut) ? 1 : 0;
}

void OnFolderItemAsked(HWND hwndTree, NMTVDISPINFOW* pInfo)
{
    TVITEMW& item = pInfo->item;
    if (!(item.mask & TVIF_CHILDREN))
        return;
    // A folder too deep for a pattern cannot be looked into: no button.
    WCHAR szPattern[MAX_PATH];
    item.cChildren = TreeItemPath(hwndTree, item.hItem, szPattern, MAX_PATH) ? HasSubfolder(szPattern) : 0;
    // The tree keeps the answer: the folder is looked into once.
    item.mask |= TVIF_DI_SETITEM;
}

// The sub-folder names of one folder, in one growing block.
struct FolderNames
{
    WCHAR* pszText = nullptr; // the names, each ended by its zero
    size_t cchUsed = 0;
    size_t cchRoom = 0;
    size_t* rgOffset = nullptr; // where each name starts
    size_t nCount = 0;
    size_t nRoom = 0;
    bool bFailed = false; // memory ran out: some names are missing

    ~FolderNames()
    {
        free(pszText);
        free(rgOffset);
    }
    const WCHAR* Name(size_t i) const { return pszText + rgOffset[i]; }
    bool Add(const WCHAR* pszName)
    {
        const size_t cch = wcslen(pszName) + 1;
        if (cchUsed + cch > cchRoom && !Grow(reinterpret_cast<void**>(&pszText), &cchRoom, cchUsed + cch, sizeof(WCHAR)))
            return false;
        if (nCount == nRoom && !Grow(reinterpret_cast<void**>(&rgOffset), &nRoom, nCount + 1, sizeof(size_t)))
            return false;
        wmemcpy(pszText + cchUsed, pszName, cch);
        rgOffset[nCount++] = cchUsed;
        cchUsed += cch;
        return true;
    }
    static bool Grow(void** ppv, size_t* pnRoom, size_t nNeeded, size_t cbItem)
    {
        size_t nRoom = *pnRoom ? *pnRoom : 64;
        while (nRoom < nNeeded)
            nRoom *= 2;
        void* pv = realloc(*ppv, nRoom * cbItem);
        if (!pv)
            return false;
        *ppv = pv;
        *pnRoom = nRoom;
        return true;
    }
};

// Every sub-folder as the enumeration gives it.
static int AddEnumeratedFolders(HWND hwndTree, const WCHAR* pszPattern, HTREEITEM hItem)
{
    int nAdded = 0;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(pszPattern, &fd);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && AddFolderItem(hwndTree, fd.cFileName, hItem))
                ++nAdded;
        } while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
    }
    return nAdded;
}

// One sub-folder's name, met by whichever enumeration reads the folder.
static void CollectSubfolder(void* pContext, const WCHAR* pszName)
{
    FolderNames* pNames = static_cast<FolderNames*>(pContext);
    if (!pNames->bFailed && !pNames->Add(pszName))
        pNames->bFailed = true;
}

static void CollectFolderNames(const WCHAR* pszPattern, FolderNames& names)
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(pszPattern, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
    {
        if (IsSubfolder(fd))
            CollectSubfolder(&names, fd.cFileName);
    } while (!names.bFailed && FindNextFileW(hFind, &fd));
    FindClose(hFind);
}

// The tree places each folder by its name. Given in falling order, each one's
// place is found at the first sibling it meets, instead of after a walk along
// all of them.
static int AddFoldersFalling(HWND hwndTree, const WCHAR* pszPattern, HTREEITEM hItem, const FolderNames& names)
{
    size_t* rgOrder = static_cast<size_t*>(malloc((names.nCount ? names.nCount : 1) * sizeof(size_t)));
    if (!rgOrder)
        return AddEnumeratedFolders(hwndTree, pszPattern, hItem);
    for (size_t i = 0; i < names.nCount; ++i)
        rgOrder[i] = i;
    std::sort(rgOrder, rgOrder + names.nCount,
              [&names](size_t a, size_t b) { return lstrcmpW(names.Name(a), names.Name(b)) > 0; });
    int nAdded = 0;
    for (size_t i = 0; i < names.nCount; ++i)
    {
        if (AddFolderItem(hwndTree, names.Name(rgOrder[i]), hItem))
            ++nAdded;
    }
    free(rgOrder);
    return nAdded;
}

// The collected names under the item (when memory ran out while they were
// collected, every sub-folder the pattern lists now); the item's button then
// says whether any came.
static int AddSubfolders(HWND hwndTree, const WCHAR* pszPattern, HTREEITEM hItem, const FolderNames& names)
{
    // A folder may hold many sub-folders: the tree is drawn once, after.
    SendMessageW(hwndTree, WM_SETREDRAW, FALSE, 0);
    const int nAdded = names.bFailed ? AddEnumeratedFolders(hwndTree, pszPattern, hItem)
                                     : AddFoldersFalling(hwndTree, pszPattern, hItem, names);
    SetHasChildren(hwndTree, hItem, nAdded > 0);
    SendMessageW(hwndTree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwndTree, NULL, TRUE);
    return nAdded ? 1 : 0;
}

int ListSubfolders(HWND hwndTree, const WCHAR* pszPattern, HTREEITEM hItem)
{
    FolderNames names;
    CollectFolderNames(pszPattern, names);
    return AddSubfolders(hwndTree, pszPattern, hItem, names);
}

static void DeleteChildren(HWND hwndTree, HTREEITEM hItem)
{
    HTREEITEM hChild;
    while ((hChild = TreeView_GetChild(hwndTree, hItem)) != NULL)
        TreeView_DeleteItem(hwndTree, hChild);
}

static void ShowPane(HWND hwnd, BOOL bShow)
{
    if (hwnd)
        ShowWindow(hwnd, bShow ? SW_SHOW : SW_HIDE);
}

void OnFolderChange(HWND hwndTree, HTREEITEM hItem, int nSortKey, BOOL bThumbnails)
{
    ShowWaitCursor();
    StopThumbWorker();
    DeleteChildren(hwndTree, hItem);
    if (!TreeItemPath(hwndTree, hItem, g_szBrowsePath, MAX_PATH))
        g_szBrowsePath[0] = L'\0';
    wcscpy_s(g_szPicturePath, MAX_PATH, g_szBrowsePath);
    // One enumeration of the folder gives both its pictures and its
    // sub-folders: a folder of 100,000 pictures is read once.
    FolderNames names;
    int nPictures = 0;
    if (g_szBrowsePath[0])
        nPictures = ReadFolder(g_szPicturePath, nSortKey, CollectSubfolder, &names);
    else
        DeleteAllRows();
    AddSubfolders(hwndTree, g_szBrowsePath, hItem, names);
    s_hLastListed = hItem;
    size_t cch = wcslen(g_szBrowsePath);
    if (cch >= 3)
        g_szBrowsePath[cch - 3] = L'\0';
    ClearPictureSelection();
    SetThumbScrollOffset(0);

    if (nPictures > 0)
    {
        ShowPane(GetNoImagesWindow(), FALSE);
        if (bThumbnails)
        {
            ShowPane(GetThumbViewWindow(), TRUE);
            RedrawThumbView();
        }
        else
        {
            ShowPane(GetFileListWindow(), TRUE);
        }
    }
    else
    {
        FreePictures();
        ShowPane(GetThumbViewWindow(), FALSE);
        ShowPane(GetFileListWindow(), FALSE);
        ShowPane(GetNoImagesWindow(), TRUE);
    }
    RestoreCursor();
}

void OnFolderExpanding(HWND hwndTree, const NMTREEVIEWW* pInfo)
{
    if (pInfo->action != TVE_EXPAND)
        return;
    HTREEITEM hItem = pInfo->itemNew.hItem;
    if (hItem == s_hListedInPlace)
        return;
    DeleteChildren(hwndTree, hItem);
    WCHAR szPattern[MAX_PATH];
    if (TreeItemPath(hwndTree, hItem, szPattern, MAX_PATH))
        ListSubfolders(hwndTree, szPattern, hItem);
}

BOOL WalkTreeToPath(HWND hwndTree, const WCHAR* pszPath)
{
    if (!hwndTree || !pszPath)
        return FALSE;
    // Each selection rewrites the shared paths, which may be the one walked.
    WCHAR szPath[MAX_PATH];
    wcsncpy_s(szPath, MAX_PATH, pszPath, _TRUNCATE);
    HTREEITEM hItem = TreeView_GetChild(hwndTree, TreeView_GetRoot(hwndTree));
    const WCHAR* p = szPath;
    BOOL bReached = FALSE;
    while (hItem)
    {
        while (*p == L'\\')
            ++p;
        if (!*p)
            return bReached;
        const WCHAR* pszEnd = wcschr(p, L'\\');
        size_t cch = pszEnd ? (size_t)(pszEnd - p) : wcslen(p);
        // Items are searched among the siblings until one carries the component.
        for (; hItem; hItem = TreeView_GetNextSibling(hwndTree, hItem))
        {
            WCHAR szText[MAX_PATH];
            if (ItemText(hwndTree, hItem, szText, MAX_PATH) && wcslen(szText) == cch && wcsncmp(szText, p, cch) == 0)
                break;
        }
        if (!hItem)
            return bReached;
        bReached = TRUE;
        SelectAndExpand(hwndTree, hItem);
        hItem = TreeView_GetChild(hwndTree, hItem);
        p += cch;
    }
    return bReached;
}

void DrawSplitterLine(HWND hwndFrame, int y)
{
    HDC hdc = GetDC(hwndFrame);
    if (!hdc)
        return;
    RECT rc;
    GetClientRect(hwndFrame, &rc);
    HPEN hPen = CreatePen(PS_SOLID, 5, RGB(0, 0, 0));
    if (hPen)
    {
        HGDIOBJ hOldPen = SelectObject(hdc, hPen);
        int nOldRop = SetROP2(hdc, R2_NOT);
        MoveToEx(hdc, 0, y, NULL);
        LineTo(hdc, rc.right, y);
        SetROP2(hdc, nOldRop);
        SelectObject(hdc, hOldPen);
        DeleteObject(hPen);
    }
    ReleaseDC(hwndFrame, hdc);
}
