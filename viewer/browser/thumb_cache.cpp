// The index "index.tmb" and its records in memory; adding, looking up,
// reading, storing and clearing. The thumbnail files themselves are written
// by thumb_file.cpp.
#include "viewer/browser/thumb_cache.h"

#include <stdio.h>
#include <wchar.h>

#include "viewer/browser/thumb_file.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/common/wait_cursor.h"
#include "viewer/common/zero_alloc.h"
#include "viewer/imaging/decode/image_decoder.h"

static_assert(sizeof(WCHAR) == sizeof(uint16_t), "paths are UTF-16 units");

namespace {

// The cache's state. No lock: see the header.
ThumbIndexRecord* s_pRecords = NULL; // newest first
void* (*s_pfnAllocRecord)(size_t cb) = AllocZeroed;
FILE* s_pIndex = NULL; // open while not null
LONG s_nHighestSlot = 0;
// How thumbnails are made now, and how every cached one was made
// (ThumbMadeFlags).
uint32_t s_dwMade = (DEF_AUTO_ROTATE ? THUMB_MADE_UPRIGHT : 0) | (DEF_COLOR_MANAGE ? THUMB_MADE_COLOUR_MANAGED : 0);

uint32_t MadeFlags(void)
{
    return s_dwMade;
}

// Thumbnails made the other way would show beside new ones made this way:
// a change clears the cache.
void SetMadeFlag(uint32_t dwFlag, BOOL bOn)
{
    const uint32_t dwMade = bOn ? (s_dwMade | dwFlag) : (s_dwMade & ~dwFlag);
    if (dwMade == s_dwMade)
        return;
    s_dwMade = dwMade;
    ClearThumbCache();
}

// Record 0 says how the thumbnails were made. An index of thumbnails made
// as stored keeps its zeros, as earlier versions left them.
void WriteIndexHeader(void)
{
    if (!s_pIndex || MadeFlags() == THUMB_MADE_AS_STORED)
        return;
    uint8_t rgb[THUMB_RECORD_BYTES];
    EncodeThumbHeader(MadeFlags(), rgb);
    // On disk before any record is: records without it would be taken for
    // thumbnails made as stored.
    if (fseek(s_pIndex, 0, SEEK_SET) == 0 && fwrite(rgb, 1, sizeof(rgb), s_pIndex) == sizeof(rgb))
        fflush(s_pIndex);
}

BOOL BuildIndexPath(LPWSTR pszPath)
{
    WCHAR szFolder[MAX_PATH];
    GetThumbnailFolder(szFolder);
    return BuildThumbFolderPath(szFolder, L"index.tmb", pszPath);
}

// Opens the index for reading and writing, creating an empty one first when
// it does not exist. The program never creates the folder itself.
FILE* OpenOrCreateIndex(void)
{
    WCHAR szPath[MAX_PATH];
    if (!BuildIndexPath(szPath))
        return NULL;
    FILE* pFile = _wfopen(szPath, L"r+b");
    if (pFile)
        return pFile;
    FILE* pCreated = _wfopen(szPath, L"a");
    if (pCreated)
        fclose(pCreated);
    return _wfopen(szPath, L"r+b");
}

void ToFields(const ThumbIndexRecord* pRecord, ThumbRecordFields* pFields)
{
    memset(pFields, 0, sizeof(*pFields));
    for (int i = 0; i < THUMB_PATH_UNITS - 1 && pRecord->szPath[i]; ++i)
        pFields->path[i] = pRecord->szPath[i];
    pFields->slot = pRecord->nSlot;
    pFields->fileSize = pRecord->nFileSize;
    pFields->timeLow = pRecord->ftLastWrite.dwLowDateTime;
    pFields->timeHigh = pRecord->ftLastWrite.dwHighDateTime;
    pFields->x = pRecord->xOffset;
    pFields->y = pRecord->yOffset;
}

void FromFields(const ThumbRecordFields* pFields, ThumbIndexRecord* pRecord)
{
    memcpy(pRecord->szPath, pFields->path, sizeof(pRecord->szPath));
    pRecord->szPath[MAX_PATH - 1] = 0;
    pRecord->nSlot = pFields->slot;
    pRecord->nFileSize = pFields->fileSize;
    pRecord->ftLastWrite.dwLowDateTime = pFields->timeLow;
    pRecord->ftLastWrite.dwHighDateTime = pFields->timeHigh;
    pRecord->xOffset = pFields->x;
    pRecord->yOffset = pFields->y;
}

// Record k holds slot k when the cache wrote the file, so after each record
// the highest slot is the larger of one more and the record's own slot. A
// record the cache could not have written still counts one, so that a new
// record never lands on a position the file already uses, and its slot is
// never taken as the highest (a negative or huge slot would make the next
// name bogus or overflow).
// Returns how record 0 says the thumbnails were made.
uint32_t LoadRecords(void)
{
    uint32_t dwMade = THUMB_MADE_AS_STORED;
    uint8_t rgb[THUMB_RECORD_BYTES];
    for (LONG nRecord = 0; fread(rgb, 1, sizeof(rgb), s_pIndex) == sizeof(rgb); ++nRecord)
    {
        if (nRecord == 0)
        {
            dwMade = DecodeThumbHeader(rgb);
            continue;
        }
        ThumbRecordFields fields;
        if (!DecodeThumbRecord(rgb, &fields))
        {
            if (s_nHighestSlot < THUMB_MAX_SLOT)
                ++s_nHighestSlot;
            continue;
        }
        ThumbIndexRecord record = {};
        FromFields(&fields, &record);
        // A record that finds no memory is passed over like an unsound one;
        // the ones after it still load.
        if (!AddThumbRecord(&record, FALSE) && s_nHighestSlot < THUMB_MAX_SLOT)
            ++s_nHighestSlot;
        if (s_nHighestSlot <= record.nSlot)
            s_nHighestSlot = record.nSlot;
    }
    return dwMade;
}

// Only the names the cache writes: "index.tmb" and "pvx<slot>.pvx" with the
// slot in decimal exactly as it is formatted. The letters ignore case, as
// the file system does.
BOOL IsCacheFileName(LPCWSTR pszName)
{
    if (_wcsicmp(pszName, L"index.tmb") == 0)
        return TRUE;
    if (_wcsnicmp(pszName, L"pvx", 3) != 0)
        return FALSE;
    const WCHAR* p = pszName + 3;
    if (*p < L'1' || *p > L'9')
        return FALSE;
    LONGLONG nSlot = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p)
    {
        nSlot = nSlot * 10 + (*p - L'0');
        if (!IsValidThumbSlot(nSlot))
            return FALSE;
    }
    return _wcsicmp(p, L".pvx") == 0;
}

void DeleteCacheFiles(void)
{
    WCHAR szFolder[MAX_PATH], szPattern[MAX_PATH], szPath[MAX_PATH];
    GetThumbnailFolder(szFolder);
    if (!BuildThumbFolderPath(szFolder, L"*.*", szPattern))
        return;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(szPattern, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
    {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsCacheFileName(fd.cFileName))
            continue;
        if (BuildThumbFolderPath(szFolder, fd.cFileName, szPath))
            DeleteFileW(szPath);
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
}

} // namespace

void OpenThumbIndex(void)
{
    CloseThumbIndex();
    s_nHighestSlot = 0;
    s_dwMade = (GetAutoRotate() ? THUMB_MADE_UPRIGHT : 0) | (GetColorManage() ? THUMB_MADE_COLOUR_MANAGED : 0);
    s_pIndex = OpenOrCreateIndex();
    // Thumbnails made the other way would show beside new ones made this
    // way: they all go.
    if (s_pIndex && LoadRecords() != MadeFlags())
        ClearThumbCache();
}

void SetThumbsUpright(BOOL bUpright)
{
    SetMadeFlag(THUMB_MADE_UPRIGHT, bUpright);
}

BOOL AreThumbsUpright(void)
{
    return (s_dwMade & THUMB_MADE_UPRIGHT) != 0;
}

void SetThumbsColourManaged(BOOL bManaged)
{
    SetMadeFlag(THUMB_MADE_COLOUR_MANAGED, bManaged);
}

BOOL AreThumbsColourManaged(void)
{
    return (s_dwMade & THUMB_MADE_COLOUR_MANAGED) != 0;
}

void CloseThumbIndex(void)
{
    FreeThumbRecords();
    if (s_pIndex)
        fclose(s_pIndex);
    s_pIndex = NULL;
}

BOOL IsThumbIndexOpen(void)
{
    return s_pIndex != NULL;
}

LONG GetHighestThumbSlot(void)
{
    return s_nHighestSlot;
}

HBITMAP ReadThumbFile(LONG nSlot)
{
    MainWindowData* pData = GetMainWindowData();
    WCHAR szPath[MAX_PATH];
    if (!pData || !pData->pDecoder || !s_pIndex || !BuildThumbFilePath(pData->szThumbnailFolder, nSlot, szPath))
        return NULL;
    // LoadJpeg directly: the extension of these files names no picture type.
    // Only what the cache writes is decoded: a colour JPEG that fits the
    // box. Anything else in the folder (a large or foreign picture) would be
    // decoded full size and painted over the neighbouring cells.
    DecodeOptions header = {};
    header.flags = DECODE_HEADER_ONLY;
    header.type = PICTYPE_BY_EXTENSION;
    pData->pDecoder->LoadJpeg(szPath, &header);
    if (header.info.biBitCount != 24 || header.info.biWidth < 1 || header.info.biWidth > THUMB_BOX_WIDTH ||
        header.info.biHeight < 1 || header.info.biHeight > THUMB_BOX_HEIGHT)
        return NULL;
    DecodeOptions options = {};
    options.type = PICTYPE_BY_EXTENSION;
    HBITMAP hbm = pData->pDecoder->LoadJpeg(szPath, &options);
    // The file may have been replaced since its header was read.
    BITMAP bm;
    if (hbm && (GetObjectW(hbm, sizeof(bm), &bm) != sizeof(bm) || bm.bmWidth > THUMB_BOX_WIDTH ||
                bm.bmHeight > THUMB_BOX_HEIGHT))
    {
        DeleteObject(hbm);
        hbm = NULL;
    }
    return hbm;
}

LONG LookupThumb(LPCWSTR pszPath, DWORD nFileSize, const FILETIME* pftLastWrite, LONG* pxOffset, LONG* pyOffset)
{
    if (!s_pIndex || !pszPath || !pftLastWrite)
        return -1;
    const ThumbIndexRecord* pRecord = s_pRecords;
    while (pRecord && wcscmp(pRecord->szPath, pszPath) != 0)
        pRecord = pRecord->pNext;
    // Only the newest record of a path counts: an older one of the same
    // path describes an earlier state of the file.
    if (!pRecord || pRecord->nFileSize != nFileSize ||
        CompareFileTime(&pRecord->ftLastWrite, pftLastWrite) != 0)
        return -1;
    if (pxOffset)
        *pxOffset = pRecord->xOffset;
    if (pyOffset)
        *pyOffset = pRecord->yOffset;
    return pRecord->nSlot;
}

BOOL AddThumbRecord(const ThumbIndexRecord* pRecord, BOOL bWrite)
{
    // A slot outside the range would give a bogus name or an offset the
    // runtime cannot seek to.
    if (!s_pIndex || !pRecord || !IsValidThumbSlot(pRecord->nSlot))
        return FALSE;
    ThumbIndexRecord* pNode = static_cast<ThumbIndexRecord*>(s_pfnAllocRecord(sizeof(ThumbIndexRecord)));
    if (!pNode)
        return FALSE;
    ThumbRecordFields fields;
    ToFields(pRecord, &fields);
    FromFields(&fields, pNode);
    pNode->pNext = s_pRecords;
    s_pRecords = pNode;
    if (bWrite)
    {
        // One positioned write; the runtime's buffer reaches the file at the
        // next seek or when the index is closed.
        uint8_t rgb[THUMB_RECORD_BYTES];
        EncodeThumbRecord(&fields, rgb);
        if (fseek(s_pIndex, static_cast<long>(pRecord->nSlot) * THUMB_RECORD_BYTES, SEEK_SET) == 0)
            fwrite(rgb, 1, sizeof(rgb), s_pIndex);
    }
    if (s_nHighestSlot < THUMB_MAX_SLOT)
        ++s_nHighestSlot;
    return TRUE;
}

void StoreThumb(HBITMAP hbmThumb, LPCWSTR pszPicturePath, DWORD nFileSize, const FILETIME* pftLastWrite,
                LONG xOffset, LONG yOffset, LONG nFoundSlot)
{
    if (!s_pIndex || !hbmThumb || !pszPicturePath || !pftLastWrite)
        return;
    WCHAR szFolder[MAX_PATH], szPath[MAX_PATH];
    GetThumbnailFolder(szFolder);
    if (nFoundSlot != -1)
    {
        // The record stands; only its file was missing or unreadable.
        if (BuildThumbFilePath(szFolder, nFoundSlot, szPath))
            WriteThumbFile(hbmThumb, szPath);
        return;
    }

    ThumbIndexRecord record = {};
    record.nSlot = s_nHighestSlot + 1;
    // A path the record cannot hold whole would later match another picture.
    const size_t cchPath = wcsnlen(pszPicturePath, THUMB_PATH_UNITS);
    if (cchPath >= THUMB_PATH_UNITS || !BuildThumbFilePath(szFolder, record.nSlot, szPath))
        return;
    wmemcpy(record.szPath, pszPicturePath, cchPath);
    record.nFileSize = nFileSize;
    record.ftLastWrite = *pftLastWrite;
    record.xOffset = xOffset;
    record.yOffset = yOffset;
    if (WriteThumbFile(hbmThumb, szPath))
        AddThumbRecord(&record, TRUE);
}

void SetThumbRecordAllocatorForTests(void* (*pfnAlloc)(size_t cb))
{
    s_pfnAllocRecord = pfnAlloc ? pfnAlloc : AllocZeroed;
}

void FreeThumbRecords(void)
{
    while (s_pRecords)
    {
        ThumbIndexRecord* pNext = s_pRecords->pNext;
        FreeZeroed(s_pRecords);
        s_pRecords = pNext;
    }
}

void ClearThumbCache(void)
{
    FreeThumbRecords();
    s_nHighestSlot = 0;
    if (!s_pIndex)
        return;
    fclose(s_pIndex);
    s_pIndex = NULL;
    ShowWaitCursor();
    DeleteCacheFiles();
    s_pIndex = OpenOrCreateIndex();
    WriteIndexHeader();
    RestoreCursor();
}
