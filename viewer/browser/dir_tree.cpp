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

void FillTreeRoot(HWND hwndTree)
{
    HTREEITEM hRoot = AddFolderItem(hwndTree, L"\\", NULL, L"");
    if (!hRoot)
        return;
    TreeView_SelectItem(hwndTree, hRoot);
    TreeView_Expand(hwndTree, hRoot, TVE_EXPAND);
}

static void ClearHasChildren(HWND hwndTree, HTREEITEM hItem)
{
    TVITEMW item = {};
    item.mask = TVIF_CHILDREN | TVIF_HANDLE;
    item.hItem = hItem;
    item.cChildren = 0;
    TreeView_SetItem(hwndTree, &item);
}

// The "." and ".." the desktop lists in every folder below a drive's root.
static bool IsDotName(const WCHAR* pszName)
{
    return wcscmp(pszName, L".") == 0 || wcscmp(pszName, L"..") == 0;
}

HTREEITEM AddFolderItem(HWND hwndTree, const WCHAR* pszName, HTREEITEM hParent, const WCHAR* pszParentPattern)
{
    if (!pszName || IsDotName(pszName))
        return NULL;
    TVINSERTSTRUCTW tvis = {};
    tvis.hParent = hParent ? hParent : TVI_ROOT;
    tvis.hInsertAfter = TVI_SORT;
    tvis.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    tvis.item.pszText = const_cast<WCHAR*>(pszName);
    tvis.item.cChildren = 1;
    HTREEITEM hItem = TreeView_InsertItem(hwndTree, &tvis);
    if (!hItem)
        return NULL;

    // The parent pattern ends in "*.*"; the folder's own replaces it.
    WCHAR szParent[MAX_PATH];
    size_t cchParent = pszParentPattern ? wcslen(pszParentPattern) : 0;
    cchParent = cchParent >= 3 ? cchParent - 3 : 0;
    WCHAR szFolder[MAX_PATH];
    WCHAR szPattern[MAX_PATH];
    if (_snwprintf_s(szParent, MAX_PATH, _TRUNCATE, L"%.*ls", (int)cchParent,
                     pszParentPattern ? pszParentPattern : L"") < 0 ||
        !JoinPath(szParent, pszName, szFolder, MAX_PATH) || !JoinPath(szFolder, L"*.*", szPattern, MAX_PATH))
        ClearHasChildren(hwndTree, hItem); // too deep to look into
    else
        HasSubfolder(hwndTree, szPattern, hItem);
    return hItem;
}

static bool IsSubfolder(const WIN32_FIND_DATAW& fd)
{
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDotName(fd.cFileName);
}

int HasSubfolder(HWND hwndTree, const WCHAR* pszPattern, HTREEITEM hItem)
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
    if (!bFound)
        ClearHasChildren(hwndTree, hItem);
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

// The sub-folder names of one folder, in one growing block.
struct FolderNames
{
    WCHAR* pszText = nullptr; // the names, each ended by its zero
    size_t cchUsed = 0;
    size_t cchRoom = 0;
    size_t* rgOffset = nullptr; // where each name starts
    size_t nCount = 0;
    size_t nRoom = 0;

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
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && AddFolderItem(hwndTree, fd.cFileName, hItem, pszPattern))
                ++nAdded;
        } while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
    }
    return nAdded;
}

// The sub-folders' names; false when memory runs out.
static bool CollectFolderNames(const WCHAR* pszPattern, FolderNames& names)
{
    bool bOk = true;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(pszPattern, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return true;
    do
    {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDotName(fd.cFileName))
            bOk = names.Add(fd.cFileName);
    } while (bOk && FindNextFileW(hFind, &fd));
    FindClose(hFind);
    return bOk;
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
        if (AddFolderItem(hwndTree, names.Name(rgOrder[i]), hItem, pszPattern))
            ++nAdded;
    }
    free(rgOrder);
    return nAdded;
}

int ListSubfolders(HWND hwndTree, const WCHAR* pszPattern, HTREEITEM hItem)
{
    // A folder may hold many sub-folders: the tree is drawn once, after.
    SendMessageW(hwndTree, WM_SETREDRAW, FALSE, 0);
    FolderNames names;
    const int nAdded = CollectFolderNames(pszPattern, names)
                           ? AddFoldersFalling(hwndTree, pszPattern, hItem, names)
                           : AddEnumeratedFolders(hwndTree, pszPattern, hItem);
    if (nAdded == 0)
        ClearHasChildren(hwndTree, hItem);
    SendMessageW(hwndTree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwndTree, NULL, TRUE);
    return nAdded ? 1 : 0;
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
    DeleteAllRows();
    if (!TreeItemPath(hwndTree, hItem, g_szBrowsePath, MAX_PATH))
        g_szBrowsePath[0] = L'\0';
    ListSubfolders(hwndTree, g_szBrowsePath, hItem);
    wcscpy_s(g_szPicturePath, MAX_PATH, g_szBrowsePath);
    int nPictures = g_szBrowsePath[0] ? ReadFolder(g_szPicturePath, nSortKey) : 0;
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
        TreeView_SelectItem(hwndTree, hItem);
        TreeView_Expand(hwndTree, hItem, TVE_EXPAND);
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
