// The browser's commands of the main window: the view modes, refreshing,
// deleting files and thumbnails, and selecting the current entry.
#pragma once

#include <windows.h>

struct MainWindowData;

// Command handlers of the main window's table.
void OnCmdListView(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);
void OnCmdThumbnailView(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);
// "&Delete Thumbnail": the worker stops, then the cache is cleared.
void OnCmdDeleteThumbnails(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);
void OnCmdRefreshFolder(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);
void OnCmdDeleteFile(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);
// "Open": the current entry is selected in the list and the thumbnails.
void SelectCurrentEntry(MainWindowData* pData);
