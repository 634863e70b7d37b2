// Temporary folders and whole files for the tests.
#pragma once

#include <string>
#include <windows.h>

bool FileExists(const std::wstring& path);
std::string ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const void* pData, size_t cb);
inline bool WriteWholeFile(const std::wstring& path, const std::string& data)
{
    return WriteWholeFile(path, data.data(), data.size());
}
// How many entries a folder holds, "." and ".." left out.
int CountFiles(const std::wstring& folder);
// Makes or pads a file to cb bytes (sparse past 4 GiB).
void SetFileSize(const std::wstring& path, ULONGLONG cb);
// Sets a file's last-write time, given as a local time.
void SetLocalWriteTime(const std::wstring& path, WORD wYear, WORD wMonth, WORD wDay, WORD wHour = 12,
                       WORD wMinute = 0, WORD wSecond = 0);

// A fresh temporary folder, removed with everything in it.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    // The folder, ending with "\".
    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& name) const { return m_path + name; }
    std::wstring Path(const wchar_t* pszName) const { return m_path + pszName; }
    // Writes a file of the folder from a byte container; returns its path.
    template <class Data>
    std::wstring Write(const std::wstring& name, const Data& data) const
    {
        WriteWholeFile(m_path + name, data.data(), data.size());
        return m_path + name;
    }

private:
    std::wstring m_path;
};
