// The browser's upper pane: the tree of the device's folders, filled
// lazily, and the folder change that lists a folder's pictures.
#pragma once

#include <windows.h>
#include <commctrl.h>

#define IDC_DIR_TREE 1003

// Creates the tree in the frame with its folder image; false on failure.
BOOL CreateDirectoryTree(HWND hwndFrame);
void DestroyDirectoryTree(void);
HWND GetDirectoryTreeWindow(void);

// The root "\", selected and expanded.
void FillTreeRoot(HWND hwndTree);
// Adds a folder item under hParent (the root when null), sorted; whether it
// has sub-folders is asked when the tree first needs to know
// (OnFolderItemAsked). Null for "." and "..".
HTREEITEM AddFolderItem(HWND hwndTree, const WCHAR* pszName, HTREEITEM hParent);
// 1 when the pattern names a sub-folder.
int HasSubfolder(const WCHAR* pszPattern);
// The item's folder pattern, "\*.*" for the root. 0 when an item text cannot
// be read or the pattern does not fit.
int TreeItemPath(HWND hwndTree, HTREEITEM hItem, WCHAR* pszOut, size_t cchOut);
// Adds the pattern's sub-folders under the item; 0 when there were none.
int ListSubfolders(HWND hwndTree, const WCHAR* pszPattern, HTREEITEM hItem);

// The selection moved to hItem: the folder's sub-folders and pictures are
// listed again and the pane shows the list (or the thumbnails with
// bThumbnails), or "no images".
void OnFolderChange(HWND hwndTree, HTREEITEM hItem, int nSortKey, BOOL bThumbnails);
// The item's children are listed again.
void OnFolderExpanding(HWND hwndTree, const NMTREEVIEWW* pInfo);
// The tree asks whether an item has sub-folders (TVN_GETDISPINFO): its
// folder is looked into, once.
void OnFolderItemAsked(HWND hwndTree, NMTVDISPINFOW* pInfo);

// Selects and expands the folders of the path from the root down; false when
// not even its first folder is in the tree.
BOOL WalkTreeToPath(HWND hwndTree, const WCHAR* pszPath);

// The splitter's drag line: inverted, 5 pixels thick; drawn twice it is gone.
void DrawSplitterLine(HWND hwndFrame, int y);
