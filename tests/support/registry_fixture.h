// Direct registry access for tests of the settings key.
#pragma once

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

#define TEST_SETTINGS_KEY L"Software\\Ombrix\\Ombrix Viewer"

void DeleteSettingsKey(void);
void RawSetValue(LPCWSTR pszName, DWORD dwType, const void* pvData, DWORD cbData);
void RawSetText(LPCWSTR pszName, const std::wstring& text);
void RawSetDword(LPCWSTR pszName, DWORD dwValue);
DWORD RawGetDword(LPCWSTR pszName, DWORD dwMissing);
// A stored text up to its terminator; "" when missing.
std::wstring RawGetText(LPCWSTR pszName);

// Starts and ends every test with no settings key.
class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};
