#include "viewer/imaging/decode/file_bytes.h"

bool ReadFileBytes(const WCHAR* pszPath, uint64_t cbMax, FileBytes* pFile)
{
    pFile->pb = NULL;
    pFile->cb = 0;
    HANDLE hFile = CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    bool bRead = false;
    if (GetFileSizeEx(hFile, &size) && size.QuadPart > 0 && static_cast<uint64_t>(size.QuadPart) <= cbMax &&
        size.QuadPart <= MAXDWORD)
    {
        const DWORD cb = static_cast<DWORD>(size.QuadPart);
        pFile->pb = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, cb));
        DWORD cbRead = 0;
        bRead = pFile->pb && ReadFile(hFile, pFile->pb, cb, &cbRead, NULL) && cbRead == cb;
        pFile->cb = cb;
    }
    CloseHandle(hFile);
    if (!bRead)
        FreeFileBytes(pFile);
    return bRead;
}

void FreeFileBytes(FileBytes* pFile)
{
    if (pFile->pb)
        HeapFree(GetProcessHeap(), 0, pFile->pb);
    pFile->pb = NULL;
    pFile->cb = 0;
}
