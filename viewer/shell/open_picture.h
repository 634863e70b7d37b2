// Opening pictures into the viewer and the start mode.
#pragma once

#include <windows.h>

struct MainWindowData;

// Every picture the viewer opens comes through here: from the list, the
// grid, Next and Previous, the slideshow's steps and the start mode. Clears
// the shown picture (once), switches to the viewer when the browser shows,
// shows pszPath (taken from the preload slot when it holds this file) and
// titles the window with its name. 1 on success; a picture that cannot be
// decoded still counts, the viewer then shows why, except during a
// slideshow, where it fails and the shown picture stays.
int OpenPicture(MainWindowData* pData, const WCHAR* pszPath);

struct PictureEntry;
// Opens pszPath, the entry's picture; on success the entry becomes the
// current one and pszPath the picture path.
bool OpenEntryPicture(MainWindowData* pData, PictureEntry* pEntry, const WCHAR* pszPath);
// The same for the entry's picture in pszFolder (which ends in a
// backslash). A path that does not fit is passed over.
bool OpenFolderEntry(MainWindowData* pData, const WCHAR* pszFolder, PictureEntry* pEntry);

// Decodes ahead, once the shown picture's render is done, the picture that a
// step from the current entry in the given direction would open. Nothing
// during a slideshow or without a current entry.
void PreloadNeighbour(MainWindowData* pData, bool bForward);
// Drops the picture decoded ahead, or the decode under way.
void DropPreload(MainWindowData* pData);

// START_MODE 1 opens the last picture in the viewer; anything else starts in
// the browser at START_FOLDER.
void ApplyStartMode(MainWindowData* pData);
