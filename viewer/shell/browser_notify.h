// What the browser's panes report, handled for the main window: the file
// list's activation, column clicks and selection, the directory tree's
// expansion and folder change, and the thumbnail view's double tap. The
// browser frame routes each notification here by its sender.
#pragma once

#include <windows.h>

struct MainWindowData;
struct PictureEntry;

// The list's answer where it asks for one (the row of a name), else 0.
LRESULT OnFileListNotify(MainWindowData* pData, const NMHDR* pHeader);
void OnDirectoryTreeNotify(MainWindowData* pData, const NMHDR* pHeader);

// A double-tapped thumbnail: the entry becomes current and opens in the
// viewer (registered with the thumbnail view).
void OpenFromThumbnails(PictureEntry* pEntry, LPCWSTR pszPath);
