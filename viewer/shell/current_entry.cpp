#include "viewer/shell/current_entry.h"

#include <wchar.h>

#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/picture_entry.h"
#include "viewer/common/shared_paths.h"

CurrentEntryName ReleaseCurrentEntry(MainWindowData* pData)
{
    CurrentEntryName saved = {};
    if (pData->pCurrentEntry)
    {
        FolderPart(g_szPicturePath, saved.szFolder, MAX_PATH);
        wcscpy_s(saved.szName, MAX_PATH, pData->pCurrentEntry->szName);
    }
    pData->pCurrentEntry = NULL;
    return saved;
}

void RestoreCurrentEntry(MainWindowData* pData, const CurrentEntryName& saved)
{
    WCHAR szFolder[MAX_PATH];
    FolderPart(g_szPicturePath, szFolder, MAX_PATH);
    bool bSameFolder = saved.szName[0] && _wcsicmp(szFolder, saved.szFolder) == 0;
    pData->pCurrentEntry = bSameFolder ? PictureByName(saved.szName) : NULL;
}

void ReadFolderKeepingCurrent(MainWindowData* pData)
{
    CurrentEntryName saved = ReleaseCurrentEntry(pData);
    ReadFolder(g_szPicturePath, pData->nSortKey);
    RestoreCurrentEntry(pData, saved);
}
