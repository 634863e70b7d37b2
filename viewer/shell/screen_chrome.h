// The screen's chrome: the seven menu bars and which one shows, the "Tool"
// menu's check marks, the options bar, and the three layouts of the main
// window (normal, without title bar, full screen) with their toggles.
#pragma once

#include <windows.h>

#include "viewer/resources/resource.h"

struct MainWindowData;

// The seven bars of the faces; the options bar is apart.
#define MENUBAR_COUNT 7

// Creates the seven bars (hidden but the first), their images and the
// "TitleBar" check. 0 only without a record.
int CreateMenuBars(MainWindowData* pData);
void DestroyMenuBars(void);
// The bar of a resource id, or null when it could not be made.
HWND GetMenuBar(int nResourceId);
// The bar shown now, or null.
HWND GetShownMenuBar(void);

// Shows the one bar the face, mode, fit and slideshow state ask for.
void UpdateMenuBar(MainWindowData* pData);
void SetToolMenuCheck(UINT nCommand, BOOL bChecked);
void ShowOptionsMenuBar(MainWindowData* pData);

void ApplyNormalLayout(MainWindowData* pData);
void ApplyNoTitleBarLayout(MainWindowData* pData);
void ApplyFullScreenLayout(MainWindowData* pData, BOOL bOn);
// The layout the viewer face asks for now.
void ApplyViewerLayout(MainWindowData* pData);

void ToggleFullScreen(MainWindowData* pData);
void ToggleLandscape(MainWindowData* pData);
void ToggleTitleBar(MainWindowData* pData);
