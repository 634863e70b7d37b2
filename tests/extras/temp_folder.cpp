#include "temp_folder.h"

#include <stdio.h>

static void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\");
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
    }
    RemoveDirectoryW(folder.c_str());
}

TempFolder::TempFolder()
{
    WCHAR szBase[MAX_PATH];
    GetTempPathW(MAX_PATH, szBase);
    static LONG s_nNext = 0;
    WCHAR szName[64];
    _snwprintf_s(szName, 64, _TRUNCATE, L"ombrix-%lu-%ld\\", GetCurrentProcessId(), InterlockedIncrement(&s_nNext));
    m_path = std::wstring(szBase) + szName;
    RemoveTree(m_path);
    CreateDirectoryW(m_path.c_str(), NULL);
}

TempFolder::~TempFolder()
{
    RemoveTree(m_path);
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::wstring& path)
{
    std::string data;
    FILE* pFile = _wfopen(path.c_str(), L"rb");
    if (!pFile)
        return data;
    char buffer[65536];
    size_t cb;
    while ((cb = fread(buffer, 1, sizeof(buffer), pFile)) > 0)
        data.append(buffer, cb);
    fclose(pFile);
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
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return 0;
    do
    {
        std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..")
            ++nCount;
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
    return nCount;
}
