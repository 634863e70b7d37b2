// The record's current entry points into the picture list, which a re-read
// frees: across a re-read it is kept by name, looked up again when the same
// folder was read and dropped otherwise, so that nothing keeps a freed entry.
#pragma once

#include <windows.h>

struct MainWindowData;

struct CurrentEntryName
{
    WCHAR szFolder[MAX_PATH];
    WCHAR szName[MAX_PATH];
};

// Takes the current entry's name and folder and clears the record's pointer
// until RestoreCurrentEntry.
CurrentEntryName ReleaseCurrentEntry(MainWindowData* pData);
void RestoreCurrentEntry(MainWindowData* pData, const CurrentEntryName& saved);

// Reads the folder of the picture path again in the record's sort order.
void ReadFolderKeepingCurrent(MainWindowData* pData);
