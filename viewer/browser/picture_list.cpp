#include "viewer/browser/picture_list.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "viewer/common/path_parts.h"
#include "viewer/common/zero_alloc.h"
#include "viewer/imaging/decode/image_decoder.h"

static PictureEntry* s_pHead = NULL;
static int s_nCount = 0;
// Written by the worker thread too.
static volatile LONG s_nUnprocessed = 0;
static int s_nSortDirection = 0;
// The entries by index as last numbered, so that a step back or a look-up by
// index does not walk the list; each use checks that it still holds.
static PictureEntry** s_rgpByIndex = NULL;
static LONG s_nByIndex = 0;

void FreePictures(void)
{
    PictureEntry* pEntry = s_pHead;
    while (pEntry)
    {
        PictureEntry* pNext = pEntry->pNext;
        if (pEntry->hbmThumb)
            DeleteObject(pEntry->hbmThumb);
        FreeZeroed(pEntry);
        pEntry = pNext;
    }
    s_pHead = NULL;
    s_nCount = 0;
    InterlockedExchange(&s_nUnprocessed, 0);
    free(s_rgpByIndex);
    s_rgpByIndex = NULL;
    s_nByIndex = 0;
}

// The type of a name: a folder's names mostly share their extension, and
// the type goes by the extension alone, so the last one's type is taken
// again when the extension is the same, letter for letter. The decoder's
// test compares without case, which costs a microsecond a name under Wine.
struct ExtensionTypeCache
{
    WCHAR szExtension[16] = L"";
    PictureType nType = PICTYPE_UNKNOWN;

    PictureType TypeOf(const WCHAR* pszName)
    {
        const WCHAR* pszDot = wcsrchr(pszName, L'.');
        const bool bFits = pszDot && wcsnlen(pszDot, 16) < 16;
        if (bFits && szExtension[0] && wcscmp(pszDot, szExtension) == 0)
            return nType;
        const PictureType nFound = CImageDecoder::TypeFromExtension(pszName);
        if (bFits)
        {
            wcscpy_s(szExtension, 16, pszDot);
            nType = nFound;
        }
        return nFound;
    }
};

int EnumeratePictures(const WCHAR* pszEnumerationPath, SubfolderSink pfnSubfolder, void* pContext)
{
    FreePictures();
    WCHAR szFolder[MAX_PATH];
    FolderPart(pszEnumerationPath ? pszEnumerationPath : L"", szFolder, MAX_PATH);
    WCHAR szPattern[MAX_PATH];
    if (_snwprintf_s(szPattern, MAX_PATH, _TRUNCATE, L"%ls*.*", szFolder) < 0)
        return 0; // a folder too long for a pattern lists nothing

    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(szPattern, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return 0;
    int nFound = 0;
    ExtensionTypeCache types;
    do
    {
        if (pfnSubfolder && (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDotName(fd.cFileName))
            pfnSubfolder(pContext, fd.cFileName);
        // A folder named like a picture is listed as one too.
        PictureType nType = types.TypeOf(fd.cFileName);
        if (nType == PICTYPE_UNKNOWN)
            continue;
        PictureEntry* pEntry = AllocRecord<PictureEntry>();
        if (!pEntry)
            continue; // out of memory: this one is skipped
        pEntry->nIndex = nFound++;
        pEntry->nType = nType;
        pEntry->cchName = (LONG)wcsnlen(fd.cFileName, MAX_PATH - 1);
        pEntry->nFileSize = fd.nFileSizeLow;
        pEntry->ftLastWrite = fd.ftLastWriteTime;
        wcsncpy_s(pEntry->szName, MAX_PATH, fd.cFileName, _TRUNCATE);
        pEntry->pNext = s_pHead;
        s_pHead = pEntry;
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
    s_nCount = nFound;
    InterlockedExchange(&s_nUnprocessed, nFound);
    return nFound;
}

// The exchange sort on the entries themselves, moving their contents: what
// is left when there is no memory for the faster one's arrays.
static void SortInPlace(int nKey)
{
    for (PictureEntry* p = s_pHead; p; p = p->pNext)
    {
        for (PictureEntry* q = p->pNext; q; q = q->pNext)
        {
            if (!ComesBefore(q, p, nKey, s_nSortDirection))
                continue;
            PictureEntry tmp = *p;
            PictureEntry* pNextP = p->pNext;
            PictureEntry* pNextQ = q->pNext;
            *p = *q;
            *q = tmp;
            p->pNext = pNextP;
            q->pNext = pNextQ;
        }
    }
}

void SortPictures(int nKey)
{
    if (nKey < SORT_BY_NAME || nKey > SORT_BY_DATE)
        return;
    const size_t n = (size_t)CountPictures();
    if (n < 2)
        return;
    PictureEntry** rgp = static_cast<PictureEntry**>(malloc(n * sizeof(PictureEntry*)));
    size_t i = 0;
    for (PictureEntry* p = s_pHead; rgp && p; p = p->pNext)
        rgp[i++] = p;
    if (!rgp || !OrderPictures(rgp, n, nKey, s_nSortDirection))
    {
        free(rgp);
        SortInPlace(nKey);
        return;
    }
    for (i = 0; i + 1 < n; ++i)
        rgp[i]->pNext = rgp[i + 1];
    rgp[n - 1]->pNext = NULL;
    s_pHead = rgp[0];
    free(rgp);
}

void RenumberPictures(void)
{
    free(s_rgpByIndex);
    s_nByIndex = 0;
    s_rgpByIndex = static_cast<PictureEntry**>(malloc((s_nCount ? s_nCount : 1) * sizeof(PictureEntry*)));
    LONG n = 0;
    for (PictureEntry* p = s_pHead; p; p = p->pNext)
    {
        if (s_rgpByIndex && n < s_nCount)
            s_rgpByIndex[n] = p;
        p->nIndex = n++;
    }
    if (s_rgpByIndex)
        s_nByIndex = n < s_nCount ? n : s_nCount;
}

// The entry numbered nIndex at the last numbering, if it still carries it.
static PictureEntry* NumberedEntry(LONG nIndex)
{
    if (nIndex < 0 || nIndex >= s_nByIndex || s_rgpByIndex[nIndex]->nIndex != nIndex)
        return NULL;
    return s_rgpByIndex[nIndex];
}

int GetSortDirection(void)
{
    return s_nSortDirection;
}

void FlipSortDirection(void)
{
    s_nSortDirection = !s_nSortDirection;
}

void ResetSortDirection(void)
{
    s_nSortDirection = 0;
}

PictureEntry* FirstPicture(void)
{
    return s_pHead;
}

PictureEntry* LastPicture(void)
{
    PictureEntry* p = s_pHead;
    while (p && p->pNext)
        p = p->pNext;
    return p;
}

PictureEntry* NextPicture(const PictureEntry* pEntry)
{
    return pEntry ? pEntry->pNext : NULL;
}

PictureEntry* PreviousPicture(const PictureEntry* pEntry)
{
    if (!pEntry || pEntry == s_pHead)
        return NULL;
    PictureEntry* pBefore = NumberedEntry(pEntry->nIndex - 1);
    if (pBefore && pBefore->pNext == pEntry)
        return pBefore;
    for (PictureEntry* p = s_pHead; p; p = p->pNext)
    {
        if (p->pNext == pEntry)
            return p;
    }
    return NULL;
}

PictureEntry* PictureByIndex(LONG nIndex)
{
    // Indexes are unique: the numbered entry is the one a walk would find.
    PictureEntry* pNumbered = NumberedEntry(nIndex);
    if (pNumbered)
        return pNumbered;
    for (PictureEntry* p = s_pHead; p; p = p->pNext)
    {
        if (p->nIndex == nIndex)
            return p;
    }
    return NULL;
}

PictureEntry* PictureByName(const WCHAR* pszName)
{
    if (!pszName)
        return NULL;
    for (PictureEntry* p = s_pHead; p; p = p->pNext)
    {
        if (wcscmp(p->szName, pszName) == 0)
            return p;
    }
    return NULL;
}

LONG IndexOfPicture(const PictureEntry* pEntry)
{
    return pEntry ? pEntry->nIndex : -1;
}

int CountPictures(void)
{
    return s_nCount;
}

int CountUnprocessed(void)
{
    return (int)s_nUnprocessed;
}

void SetPictureProcessed(PictureEntry* pEntry, BOOL bProcessed)
{
    const LONG bNew = bProcessed ? 1 : 0;
    if (!pEntry || pEntry->bProcessed == bNew)
        return;
    pEntry->bProcessed = bNew;
    if (bNew)
        InterlockedDecrement(&s_nUnprocessed);
    else
        InterlockedIncrement(&s_nUnprocessed);
}

void FormatSizeText(DWORD nBytes, WCHAR* pszOut, size_t cchOut)
{
    if (nBytes > 1024000)
    {
        float fMegabytes = (float)nBytes * (1.0f / 1024000.0f);
        _snwprintf_s(pszOut, cchOut, _TRUNCATE, L"%2.2fM", (double)fMegabytes);
        return;
    }
    DWORD nKilobytes = nBytes < 1024 ? 1 : nBytes / 1024;
    _snwprintf_s(pszOut, cchOut, _TRUNCATE, L"%luK", (unsigned long)nKilobytes);
}

void FormatDateText(const FILETIME& ftWrite, WCHAR* pszOut, size_t cchOut)
{
    FILETIME ftLocal;
    SYSTEMTIME st = {};
    if (!FileTimeToLocalFileTime(&ftWrite, &ftLocal) || !FileTimeToSystemTime(&ftLocal, &st))
    {
        pszOut[0] = L'\0';
        return;
    }
    _snwprintf_s(pszOut, cchOut, _TRUNCATE, L"%d/%d/%d", st.wYear, st.wMonth, st.wDay);
}
