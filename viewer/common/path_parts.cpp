#include "viewer/common/path_parts.h"

#include <string.h>

#include "viewer/common/picture_type.h"

static void CopyCut(const wchar_t* pszText, size_t cchText, wchar_t* pszOut, size_t cchOut)
{
    if (!pszOut || cchOut == 0)
        return;
    if (cchText > cchOut - 1)
        cchText = cchOut - 1;
    memcpy(pszOut, pszText, cchText * sizeof(wchar_t));
    pszOut[cchText] = L'\0';
}

void FolderPart(const wchar_t* pszPath, wchar_t* pszOut, size_t cchOut)
{
    if (!pszPath)
        pszPath = L"";
    const wchar_t* pszLast = wcsrchr(pszPath, L'\\');
    size_t cch = pszLast ? (size_t)(pszLast - pszPath) + 1 : wcslen(pszPath);
    CopyCut(pszPath, cch, pszOut, cchOut);
}

void FileNamePart(const wchar_t* pszPath, int bStripExtension, wchar_t* pszOut, size_t cchOut)
{
    if (!pszPath)
        pszPath = L"";
    const wchar_t* pszLast = wcsrchr(pszPath, L'\\');
    const wchar_t* pszName = pszLast ? pszLast + 1 : pszPath;
    size_t cch = wcslen(pszName);
    if (bStripExtension)
    {
        // A picture's extension goes whole, whatever its length (".jpeg",
        // ".webp"); any other name keeps the rule of old and loses 4 units.
        const wchar_t* pszDot = wcsrchr(pszName, L'.');
        if (pszDot && PictureTypeOfExtension(pszDot) != PICTYPE_UNKNOWN)
            cch = (size_t)(pszDot - pszName);
        else
            cch = cch > 4 ? cch - 4 : 0;
    }
    CopyCut(pszName, cch, pszOut, cchOut);
}

bool JoinPath(const wchar_t* pszFolder, const wchar_t* pszName, wchar_t* pszOut, size_t cchOut)
{
    if (!pszOut || cchOut == 0)
        return false;
    pszOut[0] = L'\0';
    if (!pszFolder)
        pszFolder = L"";
    if (!pszName)
        pszName = L"";
    size_t cchFolder = wcslen(pszFolder);
    while (cchFolder > 0 && pszFolder[cchFolder - 1] == L'\\')
        --cchFolder;
    while (*pszName == L'\\')
        ++pszName;
    const size_t cchName = wcslen(pszName);
    // Compared without adding, so that no length can wrap around.
    if (cchFolder >= cchOut || cchName >= cchOut - cchFolder - 1)
        return false;
    memcpy(pszOut, pszFolder, cchFolder * sizeof(wchar_t));
    pszOut[cchFolder] = L'\\';
    memcpy(pszOut + cchFolder + 1, pszName, cchName * sizeof(wchar_t));
    pszOut[cchFolder + 1 + cchName] = L'\0';
    return true;
}

bool IsDotName(const wchar_t* pszName)
{
    return wcscmp(pszName, L".") == 0 || wcscmp(pszName, L"..") == 0;
}
