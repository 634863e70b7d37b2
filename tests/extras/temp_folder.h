// A fresh temporary folder per test, removed with everything in it.
#pragma once

#include <string>
#include <windows.h>

class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    // The folder, ending with "\".
    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& name) const { return m_path + name; }

private:
    std::wstring m_path;
};

bool FileExists(const std::wstring& path);
std::string ReadWholeFile(const std::wstring& path);
// How many entries a folder holds, "." and ".." left out.
int CountFiles(const std::wstring& folder);
