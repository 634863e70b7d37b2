// The pictures' folder before and after: every file with its size and hash;
// and the captures the storm asked for.
#include "tests/stress/storm.h"

#include <stdlib.h>

#include <algorithm>

#define READ_CHUNK (1 << 20)

static bool HashFile(const std::wstring& path, uint64_t* pcb, uint64_t* pnHash)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    static BYTE s_rgChunk[READ_CHUNK];
    *pnHash = 0xCBF29CE484222325ULL;
    *pcb = 0;
    DWORD cbRead = 0;
    bool bOk = true;
    while ((bOk = ReadFile(hFile, s_rgChunk, READ_CHUNK, &cbRead, NULL) != FALSE) && cbRead > 0)
    {
        for (DWORD i = 0; i < cbRead; ++i)
            *pnHash = (*pnHash ^ s_rgChunk[i]) * 0x100000001B3ULL;
        *pcb += cbRead;
    }
    CloseHandle(hFile);
    return bOk;
}

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

bool TakeInventory(const std::wstring& root, Inventory* pFiles, const std::wstring& relative)
{
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW((root + relative + L"\\*").c_str(), &data);
    bool bOk = hFind != INVALID_HANDLE_VALUE;
    for (BOOL bMore = bOk; bMore; bMore = FindNextFileW(hFind, &data))
    {
        const std::wstring name = data.cFileName, child = relative + L"\\" + name;
        if (name == L"." || name == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            bOk = TakeInventory(root, pFiles, child) && bOk;
        else
        {
            FileRecord& record = (*pFiles)[Lower(child.substr(1))];
            bOk = HashFile(root + child, &record.cbSize, &record.nHash) && bOk;
        }
    }
    if (hFind != INVALID_HANDLE_VALUE)
        FindClose(hFind);
    return bOk;
}

InventoryFaults CompareInventory(const std::wstring& root, const Inventory& before,
                                 const std::vector<std::wstring>& deleted)
{
    Inventory after;
    TakeInventory(root, &after);
    InventoryFaults faults = {};
    for (const auto& file : before)
    {
        const auto it = after.find(file.first);
        const std::string name = Narrow(file.first);
        if (std::find(deleted.begin(), deleted.end(), file.first) != deleted.end())
        {
            if (it != after.end())
                StormLog("note: %s was deleted on purpose but is still there", name.c_str());
        }
        else if (it == after.end())
        {
            StormLog("FAULT: %s is missing and was not deleted on purpose", name.c_str());
            ++faults.nMissing;
        }
        else if (it->second.cbSize != file.second.cbSize || it->second.nHash != file.second.nHash)
        {
            StormLog("FAULT: %s changed (%llu -> %llu bytes)", name.c_str(),
                     static_cast<unsigned long long>(file.second.cbSize),
                     static_cast<unsigned long long>(it->second.cbSize));
            ++faults.nChanged;
        }
    }
    for (const auto& file : after)
    {
        if (before.count(file.first))
            continue;
        StormLog("FAULT: a new file %s appeared among the pictures", Narrow(file.first).c_str());
        ++faults.nNew;
    }
    return faults;
}

// A whole capture: a 24-bit bitmap of the screen's size, exactly its
// header's size long.
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
    auto u32 = [&](int i) {
        return rgHeader[i] | rgHeader[i + 1] << 8 | rgHeader[i + 2] << 16 | static_cast<DWORD>(rgHeader[i + 3]) << 24;
    };
    return bRead && rgHeader[0] == 'B' && rgHeader[1] == 'M' && u32(2) == static_cast<DWORD>(cbFile.QuadPart) &&
           static_cast<long>(u32(18)) == GetSystemMetrics(SM_CXSCREEN) &&
           labs(static_cast<long>(u32(22))) == GetSystemMetrics(SM_CYSCREEN) && rgHeader[28] == 24;
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
        if (IsWholeCapture(folder + L"\\" + data.cFileName))
            continue;
        StormLog("FAULT: capture %s is not a whole screen bitmap", Narrow(data.cFileName).c_str());
        ++*pnBroken;
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    return n;
}
