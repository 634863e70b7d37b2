#include "tests/support/registry_fixture.h"

void DeleteSettingsKey(void)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, TEST_SETTINGS_KEY);
    RegDeleteKeyW(HKEY_CURRENT_USER, TEST_SETTINGS_KEY);
}

void RawSetValue(LPCWSTR pszName, DWORD dwType, const void* pvData, DWORD cbData)
{
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, TEST_SETTINGS_KEY, pszName, dwType, pvData, cbData));
}

void RawSetText(LPCWSTR pszName, const std::wstring& text)
{
    RawSetValue(pszName, REG_SZ, text.c_str(), (DWORD)((text.size() + 1) * sizeof(wchar_t)));
}

void RawSetDword(LPCWSTR pszName, DWORD dwValue)
{
    RawSetValue(pszName, REG_DWORD, &dwValue, sizeof(dwValue));
}

bool RawGetValue(LPCWSTR pszName, DWORD* pdwType, std::wstring* pData)
{
    HKEY hKey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, TEST_SETTINGS_KEY, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    BYTE rgb[4096];
    DWORD cb = sizeof(rgb);
    LONG lResult = RegQueryValueExW(hKey, pszName, NULL, pdwType, rgb, &cb);
    RegCloseKey(hKey);
    if (lResult != ERROR_SUCCESS)
        return false;
    pData->assign(reinterpret_cast<const wchar_t*>(rgb), cb / sizeof(wchar_t));
    if (cb % sizeof(wchar_t))
        pData->push_back(L'?'); // odd sizes show up as a length mismatch
    return true;
}

DWORD RawGetDword(LPCWSTR pszName, DWORD dwMissing)
{
    DWORD dwType = 0;
    std::wstring data;
    if (!RawGetValue(pszName, &dwType, &data) || dwType != REG_DWORD || data.size() != 2)
        return dwMissing;
    DWORD dwValue;
    memcpy(&dwValue, data.data(), 4);
    return dwValue;
}

std::wstring RawGetText(LPCWSTR pszName)
{
    DWORD dwType = 0;
    std::wstring data;
    return RawGetValue(pszName, &dwType, &data) ? data.c_str() : L"";
}
