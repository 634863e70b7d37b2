// What the browser's panes report to the frame, and the browser's commands
// of the main window.
#pragma once

#include <windows.h>

struct MainWindowData;
struct PictureEntry;

// Notifications of the list, the thumbnail view and the tree; always 0, so
// an expansion is never refused.
LRESULT OnBrowserNotify(HWND hwndFrame, const NMHDR* pHeader);
// The list reports a tap-and-hold (or a right click) to the frame as the
// shell's context-menu notification.
void SubclassFileListForGestures(HWND hwndList);

// Command handlers of the main window's table.
void OnCmdListView(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);
void OnCmdThumbnailView(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);
// "&Delete Thumbnail": the worker stops, then the cache is cleared.
void OnCmdDeleteThumbnails(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);
void OnCmdRefreshFolder(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);
void OnCmdDeleteFile(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);
// A double-tapped thumbnail: the entry becomes current and opens in the
// viewer (registered with the thumbnail view).
void OpenFromThumbnails(PictureEntry* pEntry, LPCWSTR pszPath);
// "Open": the current entry is selected in the list and the thumbnails.
void SelectCurrentEntry(MainWindowData* pData);
