#include "tests/support/files.h"

#include <stdio.h>
#include <functional>

// Calls visit for every entry of a folder but "." and "..".
static void ForEachEntry(const std::wstring& folder, const std::function<void(const WIN32_FIND_DATAW&)>& visit)
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
        if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L".."))
            visit(fd);
    while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
}

static void RemoveTree(const std::wstring& folder)
{
    ForEachEntry(folder, [&](const WIN32_FIND_DATAW& fd) {
        const std::wstring path = folder + fd.cFileName;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(path + L"\\");
        else
            DeleteFileW(path.c_str());
    });
    RemoveDirectoryW(folder.c_str());
}

TempFolder::TempFolder()
{
    WCHAR szBase[MAX_PATH];
    GetTempPathW(MAX_PATH, szBase);
    static LONG s_nNext = 0;
    m_path = szBase + (L"ombrix-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(InterlockedIncrement(&s_nNext)) + L"\\");
    RemoveTree(m_path);
    CreateDirectoryW(m_path.c_str(), NULL);
}

TempFolder::~TempFolder() { RemoveTree(m_path); }

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadWholeFile(const std::wstring& path)
{
    std::string data;
    if (FILE* pFile = _wfopen(path.c_str(), L"rb"))
    {
        char buffer[65536];
        for (size_t cb; (cb = fread(buffer, 1, sizeof(buffer), pFile)) > 0;)
            data.append(buffer, cb);
        fclose(pFile);
    }
    return data;
}

bool WriteWholeFile(const std::wstring& path, const void* pData, size_t cb)
{
    FILE* pFile = _wfopen(path.c_str(), L"wb");
    if (!pFile)
        return false;
    const bool bOk = fwrite(pData, 1, cb, pFile) == cb;
    return fclose(pFile) == 0 && bOk;
}

int CountFiles(const std::wstring& folder)
{
    int nCount = 0;
    ForEachEntry(folder, [&](const WIN32_FIND_DATAW&) { ++nCount; });
    return nCount;
}

void SetFileSize(const std::wstring& path, ULONGLONG cb)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, 0, NULL);
    LARGE_INTEGER li;
    li.QuadPart = (LONGLONG)cb;
    SetFilePointerEx(h, li, NULL, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
}

void SetLocalWriteTime(const std::wstring& path, WORD wYear, WORD wMonth, WORD wDay, WORD wHour, WORD wMinute,
                       WORD wSecond)
{
    SYSTEMTIME st = {wYear, wMonth, 0, wDay, wHour, wMinute, wSecond, 0};
    FILETIME ftLocal, ft;
    SystemTimeToFileTime(&st, &ftLocal);
    LocalFileTimeToFileTime(&ftLocal, &ft);
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    SetFileTime(h, NULL, NULL, &ft);
    CloseHandle(h);
}
