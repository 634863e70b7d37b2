#include "viewer/imaging/decode/heif_file.h"

#include <string.h>

namespace {

const DWORD kWindowBytes = 32 * 1024;

// cb bytes at the file's offset nAt, straight from the handle.
bool ReadAt(HANDLE hFile, int64_t nAt, BYTE* p, size_t cb, DWORD* pcbRead)
{
    LARGE_INTEGER at;
    at.QuadPart = nAt;
    *pcbRead = 0;
    return SetFilePointerEx(hFile, at, NULL, FILE_BEGIN) &&
           ReadFile(hFile, p, cb < kWindowBytes * 8192u ? static_cast<DWORD>(cb) : kWindowBytes * 8192u, pcbRead, NULL);
}

int64_t FilePosition(void* pv)
{
    return static_cast<HeifFile*>(pv)->nPos;
}

int ReadFromFile(void* pData, size_t cb, void* pv)
{
    HeifFile* pFile = static_cast<HeifFile*>(pv);
    BYTE* p = static_cast<BYTE*>(pData);
    while (cb > 0)
    {
        const int64_t nInWindow = pFile->nPos - pFile->nWindowStart;
        DWORD cbRead = 0;
        if (nInWindow >= 0 && nInWindow < pFile->cbWindow)
        {
            const size_t cbLeft = pFile->cbWindow - static_cast<size_t>(nInWindow);
            cbRead = static_cast<DWORD>(cb < cbLeft ? cb : cbLeft);
            memcpy(p, pFile->pWindow + nInWindow, cbRead);
        }
        else if (cb >= kWindowBytes)
        {
            // A picture's data: straight into the library's buffer.
            if (!ReadAt(pFile->hFile, pFile->nPos, p, cb, &cbRead) || cbRead == 0)
                return 1;
        }
        else
        {
            if (!ReadAt(pFile->hFile, pFile->nPos, pFile->pWindow, kWindowBytes, &pFile->cbWindow) ||
                pFile->cbWindow == 0)
                return 1;
            pFile->nWindowStart = pFile->nPos;
            continue;
        }
        p += cbRead;
        cb -= cbRead;
        pFile->nPos += cbRead;
    }
    return 0;
}

int SeekInFile(int64_t position, void* pv)
{
    HeifFile* pFile = static_cast<HeifFile*>(pv);
    if (position < 0 || position > pFile->cbFile)
        return 1;
    pFile->nPos = position;
    return 0;
}

heif_reader_grow_status FileReaches(int64_t cbTarget, void* pv)
{
    return cbTarget <= static_cast<HeifFile*>(pv)->cbFile ? heif_reader_grow_status_size_reached
                                                          : heif_reader_grow_status_size_beyond_eof;
}

} // namespace

const heif_reader kHeifFileReader = {1, FilePosition, ReadFromFile, SeekInFile, FileReaches};

bool OpenHeifFile(const WCHAR* pszPath, HeifFile* pFile)
{
    memset(pFile, 0, sizeof(*pFile));
    pFile->hFile = CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    LARGE_INTEGER size;
    if (pFile->hFile == INVALID_HANDLE_VALUE || !GetFileSizeEx(pFile->hFile, &size))
        return false;
    pFile->cbFile = size.QuadPart;
    pFile->pWindow = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, kWindowBytes));
    return pFile->pWindow != NULL;
}

void CloseHeifFile(HeifFile* pFile)
{
    if (pFile->hFile != INVALID_HANDLE_VALUE)
        CloseHandle(pFile->hFile);
    pFile->hFile = INVALID_HANDLE_VALUE;
    if (pFile->pWindow)
        HeapFree(GetProcessHeap(), 0, pFile->pWindow);
    pFile->pWindow = NULL;
}
