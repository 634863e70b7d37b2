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

DWORD RawGetDword(LPCWSTR pszName, DWORD dwMissing)
{
    DWORD dwValue = 0, cb = sizeof(dwValue);
    return RegGetValueW(HKEY_CURRENT_USER, TEST_SETTINGS_KEY, pszName, RRF_RT_REG_DWORD, NULL, &dwValue, &cb) ==
                   ERROR_SUCCESS ? dwValue : dwMissing;
}

std::wstring RawGetText(LPCWSTR pszName)
{
    WCHAR sz[2048] = L"";
    DWORD cb = sizeof(sz) - sizeof(WCHAR);   // an unterminated text still ends in the buffer
    return RegGetValueW(HKEY_CURRENT_USER, TEST_SETTINGS_KEY, pszName, RRF_RT_REG_SZ, NULL, sz, &cb) ==
                   ERROR_SUCCESS ? sz : L"";
}
