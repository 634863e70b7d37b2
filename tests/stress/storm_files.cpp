// The pictures' folder before and after: every file with its size and hash.
#include "tests/stress/storm.h"

#include <stdio.h>

#include <algorithm>
#include <map>
#include <set>

#define READ_CHUNK (1 << 20)

static std::string Narrow(const std::wstring& text)
{
    std::string out(text.size() * 3 + 1, '\0');
    int cb = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], static_cast<int>(out.size()), NULL, NULL);
    out.resize(cb > 0 ? static_cast<size_t>(cb - 1) : 0);
    return out;
}

static bool HashFile(const std::wstring& path, uint64_t* pcb, uint64_t* pnHash)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    static BYTE s_rgChunk[READ_CHUNK];
    uint64_t nHash = 0xCBF29CE484222325ULL;
    uint64_t cb = 0;
    DWORD cbRead = 0;
    bool bOk = true;
    while ((bOk = ReadFile(hFile, s_rgChunk, READ_CHUNK, &cbRead, NULL) != FALSE) && cbRead > 0)
    {
        for (DWORD i = 0; i < cbRead; ++i)
            nHash = (nHash ^ s_rgChunk[i]) * 0x100000001B3ULL;
        cb += cbRead;
    }
    CloseHandle(hFile);
    *pcb = cb;
    *pnHash = nHash;
    return bOk;
}

static bool Walk(const std::wstring& root, const std::wstring& relative, std::vector<FileRecord>* pFiles)
{
    WIN32_FIND_DATAW data;
    const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
    HANDLE hFind = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return false;
    bool bOk = true;
    do
    {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring child = relative.empty() ? name : relative + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            bOk = Walk(root, child, pFiles) && bOk;
        else
        {
            FileRecord record = {child, 0, 0};
            if (HashFile(root + L"\\" + child, &record.cbSize, &record.nHash))
                pFiles->push_back(record);
            else
                bOk = false;
        }
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    return bOk;
}

bool TakeInventory(const std::wstring& root, std::vector<FileRecord>* pFiles)
{
    pFiles->clear();
    const bool bOk = Walk(root, L"", pFiles);
    std::sort(pFiles->begin(), pFiles->end(),
              [](const FileRecord& a, const FileRecord& b) { return a.path < b.path; });
    return bOk;
}

static std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

int CompareInventory(const std::wstring& root, const std::vector<FileRecord>& before,
                     const std::vector<std::wstring>& deleted, int* pnMissing, int* pnChanged, int* pnNew)
{
    std::vector<FileRecord> after;
    TakeInventory(root, &after);
    std::map<std::wstring, const FileRecord*> now;
    for (const FileRecord& record : after)
        now[Lower(record.path)] = &record;
    std::set<std::wstring> gone;
    for (const std::wstring& path : deleted)
        gone.insert(Lower(path));

    *pnMissing = *pnChanged = *pnNew = 0;
    std::set<std::wstring> known;
    for (const FileRecord& record : before)
    {
        const std::wstring key = Lower(record.path);
        known.insert(key);
        auto it = now.find(key);
        if (gone.count(key))
        {
            if (it != now.end())
                StormLog("note: %s was deleted on purpose but is still there", Narrow(record.path).c_str());
            continue;
        }
        if (it == now.end())
        {
            StormLog("FAULT: %s is missing and was not deleted on purpose", Narrow(record.path).c_str());
            ++*pnMissing;
        }
        else if (it->second->cbSize != record.cbSize || it->second->nHash != record.nHash)
        {
            StormLog("FAULT: %s changed (%llu -> %llu bytes)", Narrow(record.path).c_str(),
                     static_cast<unsigned long long>(record.cbSize),
                     static_cast<unsigned long long>(it->second->cbSize));
            ++*pnChanged;
        }
    }
    for (const FileRecord& record : after)
    {
        if (!known.count(Lower(record.path)))
        {
            StormLog("FAULT: a new file %s appeared among the pictures", Narrow(record.path).c_str());
            ++*pnNew;
        }
    }
    return *pnMissing + *pnChanged + *pnNew;
}

// A whole capture: a 24-bit 240 x 320 bitmap of exactly its header's size.
static bool IsWholeCapture(const std::wstring& path)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    BYTE rgHeader[54] = {};
    DWORD cbRead = 0;
    LARGE_INTEGER cbFile = {};
    const bool bRead = ReadFile(hFile, rgHeader, sizeof(rgHeader), &cbRead, NULL) && cbRead == sizeof(rgHeader) &&
                       GetFileSizeEx(hFile, &cbFile);
    CloseHandle(hFile);
    if (!bRead || rgHeader[0] != 'B' || rgHeader[1] != 'M')
        return false;
    auto u32 = [&](int i) { return rgHeader[i] | rgHeader[i + 1] << 8 | rgHeader[i + 2] << 16 | (DWORD)rgHeader[i + 3] << 24; };
    const long nWidth = static_cast<long>(u32(18));
    const long nHeight = labs(static_cast<long>(u32(22)));
    return u32(2) == static_cast<DWORD>(cbFile.QuadPart) && nWidth == GetSystemMetrics(SM_CXSCREEN) &&
           nHeight == GetSystemMetrics(SM_CYSCREEN) && rgHeader[28] == 24;
}

int CountCaptures(const std::wstring& folder, int* pnBroken)
{
    *pnBroken = 0;
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW((folder + L"\\om*.bmp").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return 0;
    int n = 0;
    do
    {
        ++n;
        if (!IsWholeCapture(folder + L"\\" + data.cFileName))
        {
            StormLog("FAULT: capture %s is not a whole screen bitmap", Narrow(data.cFileName).c_str());
            ++*pnBroken;
        }
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    return n;
}
