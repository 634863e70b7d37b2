// SaveImage: the writer chosen by the file name's extension, writing through
// a temporary file beside the target, so that a failed save neither leaves a
// half-written file nor destroys the file it was to replace.
#include <string.h>

#include "viewer/common/image_error.h"
#include "viewer/extras/imagefile/image_writers.h"
#include "viewer/extras/imagefile/raster_image.h"

enum SaveKind
{
    SAVE_UNKNOWN,
    SAVE_BMP,
    SAVE_JPEG,
    SAVE_ICON
};

// The extension is read from the ANSI form of the path, as the handheld's
// runtime did; only ASCII letters are upper-cased.
static SaveKind KindFromPath(LPCWSTR pszPath)
{
    char szAnsi[MAX_PATH];
    if (!WideCharToMultiByte(CP_ACP, 0, pszPath, -1, szAnsi, sizeof(szAnsi), NULL, NULL))
        return SAVE_UNKNOWN;
    const char* pszDot = strrchr(szAnsi, '.');
    if (!pszDot || strlen(pszDot) >= 16)
        return SAVE_UNKNOWN;
    char szExt[16];
    size_t i = 0;
    for (; pszDot[i]; ++i)
        szExt[i] = (pszDot[i] >= 'a' && pszDot[i] <= 'z') ? (char)(pszDot[i] - 'a' + 'A') : pszDot[i];
    szExt[i] = '\0';
    if (strcmp(szExt, ".BMP") == 0)
        return SAVE_BMP;
    if (strcmp(szExt, ".JPG") == 0 || strcmp(szExt, ".JPEG") == 0)
        return SAVE_JPEG;
    if (strcmp(szExt, ".ICO") == 0)
        return SAVE_ICON;
    return SAVE_UNKNOWN;
}

// A unique temporary file in the target's folder; false when the folder
// cannot take one (missing, read-only, full).
static bool MakeTempBeside(LPCWSTR pszPath, WCHAR* pszTemp)
{
    WCHAR szFolder[MAX_PATH];
    size_t cch = wcslen(pszPath);
    if (cch >= MAX_PATH)
        return false;
    wcscpy_s(szFolder, MAX_PATH, pszPath);
    WCHAR* pszSlash = wcsrchr(szFolder, L'\\');
    if (pszSlash)
        pszSlash[1] = L'\0';
    else
        wcscpy_s(szFolder, MAX_PATH, L".");
    return GetTempFileNameW(szFolder, L"omb", 0, pszTemp) != 0;
}

static int WriteKind(SaveKind kind, const RasterImage* pImage, FILE* pFile)
{
    switch (kind)
    {
    case SAVE_BMP:
        return WriteBmpStream(pImage, pFile);
    case SAVE_JPEG:
        return WriteJpegStream(pImage, pFile);
    default:
        return WriteIconStream(pImage, pFile);
    }
}

static int CheckImageForWriter(SaveKind kind, const RasterImage* pImage)
{
    switch (kind)
    {
    case SAVE_BMP:
        return CheckBmpImage(pImage);
    case SAVE_JPEG:
        return CheckJpegImage(pImage);
    default:
        return CheckIconImage(pImage);
    }
}

// The code a writer gives when its file cannot be made.
static int CreateFailureCode(SaveKind kind)
{
    return kind == SAVE_ICON ? IMGERR_WRITE_FILE : IMGERR_FILE_NOT_FOUND;
}

static int SaveImageTo(RasterImage* pImage, LPCWSTR pszPath, bool bReplace)
{
    if (!pImage || !pszPath)
        return -1;
    SaveKind kind = KindFromPath(pszPath);
    if (kind == SAVE_UNKNOWN)
        return -1;

    // Checks that need no file come first, so that they leave nothing behind.
    if (CheckImageForWriter(kind, pImage) != 0)
        return -1;

    // A read-only file or a folder of that name cannot be replaced; the
    // rename below would not refuse everywhere, so refuse here.
    DWORD dwAttributes = GetFileAttributesW(pszPath);
    bool bLocked = dwAttributes != INVALID_FILE_ATTRIBUTES
                   && (dwAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    if (!bReplace && dwAttributes != INVALID_FILE_ATTRIBUTES)
        return SAVE_IMAGE_EXISTS;

    WCHAR szTemp[MAX_PATH];
    FILE* pFile = NULL;
    if (!bLocked && MakeTempBeside(pszPath, szTemp))
    {
        pFile = _wfopen(szTemp, L"wb");
        if (!pFile)
            DeleteFileW(szTemp);
    }
    if (!pFile)
    {
        SetImageError(CreateFailureCode(kind));
        return -1;
    }

    int nResult = WriteKind(kind, pImage, pFile);
    if (fclose(pFile) != 0 && nResult == 0)
    {
        SetImageError(IMGERR_WRITE_FILE);
        nResult = -1;
    }
    // Without MOVEFILE_REPLACE_EXISTING the rename refuses a name that was
    // taken meanwhile, so no file is ever replaced by accident.
    DWORD dwMove = MOVEFILE_WRITE_THROUGH | (bReplace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (nResult == 0 && !MoveFileExW(szTemp, pszPath, dwMove))
    {
        DWORD dwError = GetLastError();
        DeleteFileW(szTemp);
        if (!bReplace && (dwError == ERROR_ALREADY_EXISTS || dwError == ERROR_FILE_EXISTS))
            return SAVE_IMAGE_EXISTS;
        SetImageError(IMGERR_WRITE_FILE);
        return -1;
    }
    if (nResult != 0)
    {
        DeleteFileW(szTemp);
        return -1;
    }
    ClearImageError();
    return 0;
}

int SaveImage(RasterImage* pImage, LPCWSTR pszPath)
{
    return SaveImageTo(pImage, pszPath, true) == 0 ? 0 : -1;
}

int SaveNewImage(RasterImage* pImage, LPCWSTR pszPath)
{
    return SaveImageTo(pImage, pszPath, false);
}
