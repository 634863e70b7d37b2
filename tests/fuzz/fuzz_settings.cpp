// The settings reader: values of any type and size written into the key,
// every setting read back and judged by what the registry keeps.
#include "tests/fuzz/fuzz_targets.h"

#include <string.h>
#include <wchar.h>

#include <algorithm>

#include "viewer/common/path_parts.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"

namespace {

// The values the reader reads, with the defaults it falls back to.
struct SettingName
{
    const wchar_t* pszName;
    DWORD dwDefault;
    const wchar_t* pszDefault; // a text's; NULL for a number
};

const SettingName kSettings[] = {
    {SZ_START_MODE, DEF_START_MODE, NULL},
    {SZ_START_FOLDER, 0, DEF_START_FOLDER_VIEWER},
    {SZ_START_FILENAME, 0, DEF_START_FILENAME},
    {SZ_SCREENCAPTURE_SAVE_FOLDER, 0, DEF_SCREENCAPTURE_SAVE_FOLDER},
    {SZ_THUMBNAIL_FOLDER, 0, DEF_THUMBNAIL_FOLDER},
    {SZ_INITIAL_VIEW_POSITION, DEF_INITIAL_VIEW_POSITION, NULL},
    {SZ_SLIDESHOW_DIRECTION, DEF_SLIDESHOW_DIRECTION, NULL},
    {SZ_SLIDESHOW_LOOP, DEF_SLIDESHOW_LOOP, NULL},
    {SZ_SLIDESHOW_INTERVAL_TIME, DEF_SLIDESHOW_INTERVAL_TIME, NULL},
    {SZ_SLIDESHOW_EFFECT_METHOD, DEF_SLIDESHOW_EFFECT_METHOD, NULL},
    {SZ_VIEWER_OPTIMIZED_VIEW, DEF_VIEWER_OPTIMIZED_VIEW, NULL},
    {SZ_VIEWER_ZOOM_QUALITY, DEF_VIEWER_ZOOM_QUALITY, NULL},
    {SZ_REFINE, DEF_REFINE, NULL},
    {SZ_AUTO_ROTATE, DEF_AUTO_ROTATE, NULL},
    {L"Key1", 0, NULL},
    {L"Key2", 0, NULL},
    {L"Key3", 0, NULL},
    {L"Key4", 0, NULL},
    {L"Key5", 0, NULL},
    {SZ_COLOR_MANAGE, DEF_COLOR_MANAGE, NULL},
};
const int kSettingCount = sizeof(kSettings) / sizeof(kSettings[0]);
const size_t kRecordHeader = 4;

struct StoredValue
{
    bool bSet;
    DWORD dwType;
    FuzzBytes bytes;
};

void AddRecord(FuzzBytes* p, uint8_t nName, uint8_t nType, const void* pv, uint16_t cb)
{
    p->insert(p->end(), {nName, nType, static_cast<uint8_t>(cb), static_cast<uint8_t>(cb >> 8)});
    p->insert(p->end(), static_cast<const uint8_t*>(pv), static_cast<const uint8_t*>(pv) + cb);
}

// What the reader must give for a text stored as type and bytes: the
// default for anything but REG_SZ or a block longer than 262 bytes, else the
// stored units up to the first zero, at most 129 of them.
std::wstring ExpectedText(const StoredValue& stored, const wchar_t* pszDefault)
{
    const size_t cch = stored.bytes.size() / 2;
    const uint8_t* pb = stored.bytes.data();
    if (!stored.bSet || stored.dwType != REG_SZ || stored.bytes.size() > 262 || (cch == 131 && (pb[260] | pb[261])))
        return pszDefault;
    std::wstring text;
    for (size_t i = 0; i < cch && i < 129 && (pb[2 * i] | pb[2 * i + 1]); ++i)
        text += static_cast<wchar_t>(pb[2 * i] | pb[2 * i + 1] << 8);
    return text;
}

// Reads a text into a buffer of cch units followed by a guard, by name or
// through the named getter; false when the reader wrote past the buffer or
// left the text unterminated.
bool ReadTextGuarded(FuzzContext* pCtx, const SettingName& name, DWORD cch, bool bNamed, std::wstring* pText)
{
    wchar_t sz[MAX_PATH + 16];
    wmemset(sz, 0xA5A5, MAX_PATH + 16);
    if (bNamed && wcscmp(name.pszName, SZ_THUMBNAIL_FOLDER) == 0)
        GetThumbnailFolder(sz);
    else if (bNamed && wcscmp(name.pszName, SZ_SCREENCAPTURE_SAVE_FOLDER) == 0)
        GetScreenCaptureSaveFolder(sz);
    else
        GetStringSetting(name.pszName, sz, cch * sizeof(wchar_t), name.pszDefault);
    for (DWORD i = cch; i < cch + 16; ++i)
        if (sz[i] != 0xA5A5)
            return Wrong(pCtx, "reading %ls into %lu units wrote past them", name.pszName, cch);
    if (wcsnlen(sz, cch) == cch)
        return Wrong(pCtx, "reading %ls into %lu units left no terminator", name.pszName, cch);
    *pText = sz;
    return true;
}

bool CheckSettings(FuzzContext* pCtx, const StoredValue* rgStored)
{
    for (int i = 0; i < kSettingCount; ++i)
    {
        const SettingName& name = kSettings[i];
        const StoredValue& stored = rgStored[i];
        const unsigned cb = static_cast<unsigned>(stored.bytes.size());
        if (name.pszDefault)
        {
            std::wstring text, named, cut;
            if (!ReadTextGuarded(pCtx, name, 130, false, &text) || !ReadTextGuarded(pCtx, name, 130, true, &named) ||
                !ReadTextGuarded(pCtx, name, 3, false, &cut))
                return false;
            const std::wstring expected = ExpectedText(stored, name.pszDefault);
            if (text != expected)
                return Wrong(pCtx, "%ls (type %lu, %u bytes) read as \"%ls\", not \"%ls\"", name.pszName,
                             stored.dwType, cb, text.c_str(), expected.c_str());
            continue;
        }
        DWORD dwExpected = name.dwDefault;
        if (stored.bSet && stored.dwType == REG_DWORD && cb == 4)
            memcpy(&dwExpected, stored.bytes.data(), 4);
        const DWORD dwRead = GetSetting(name.pszName, name.dwDefault);
        if (dwRead != dwExpected)
            return Wrong(pCtx, "%ls (type %lu, %u bytes) read as %lu, not %lu", name.pszName, stored.dwType, cb, dwRead,
                         dwExpected);
    }
    // The switches the store reads as 0 or 1.
    if (GetSlideshowDirection() > 1 || GetSlideshowLoop() > 1 || GetViewerOptimizedView() > 1 || GetAutoRotate() > 1 ||
        GetColorManage() > 1)
        return Wrong(pCtx, "a switch read as neither 0 nor 1");
    // The start pair is joined into the path to open.
    wchar_t szFolder[MAX_PATH], szName[MAX_PATH], szPath[MAX_PATH];
    GetStringSetting(SZ_START_FOLDER, szFolder, SETTING_TEXT_BYTES, DEF_START_FOLDER_VIEWER);
    GetStringSetting(SZ_START_FILENAME, szName, SETTING_TEXT_BYTES, DEF_START_FILENAME);
    if (JoinPath(szFolder, szName, szPath, MAX_PATH) && wcsnlen(szPath, MAX_PATH) == MAX_PATH)
        return Wrong(pCtx, "the start pair joined without a terminator");
    return true;
}

// The value as the registry keeps it. It need not be the bytes handed over:
// a text whose last counted unit is not zero but whose next one is gets that
// terminator added to its size when it is written.
StoredValue ReadStored(HKEY hKey, const wchar_t* pszName)
{
    StoredValue stored = {};
    DWORD cb = 0;
    if (RegQueryValueExW(hKey, pszName, NULL, &stored.dwType, NULL, &cb) != ERROR_SUCCESS)
        return stored;
    stored.bytes.resize(cb ? cb : 1);
    stored.bSet = RegQueryValueExW(hKey, pszName, NULL, &stored.dwType, stored.bytes.data(), &cb) == ERROR_SUCCESS;
    stored.bytes.resize(stored.bSet ? cb : 0);
    return stored;
}

} // namespace

// Each value once, as the store writes it (a text as a 260-byte block, zeros
// after it), then all of them in one input.
std::vector<FuzzBytes> SettingsSeeds(void)
{
    std::vector<FuzzBytes> seeds;
    FuzzBytes all;
    for (uint8_t i = 0; i < kSettingCount; ++i)
    {
        FuzzBytes one;
        if (kSettings[i].pszDefault)
        {
            wchar_t szBlock[130] = {};
            wcsncpy(szBlock, kSettings[i].pszDefault, 129);
            AddRecord(&one, i, REG_SZ, szBlock, sizeof(szBlock));
        }
        else
        {
            const uint32_t v = kSettings[i].dwDefault + 1;
            AddRecord(&one, i, REG_DWORD, &v, 4);
        }
        all.insert(all.end(), one.begin(), one.end());
        seeds.push_back(one);
    }
    seeds.push_back(all);
    return seeds;
}

// Writes the input's values into the settings key, reads every setting back
// and compares; then leaves the key as the other targets need it.
bool RunSettings(FuzzContext* pCtx, const FuzzTarget&, const FuzzBytes& data, int)
{
    RegDeleteKeyW(HKEY_CURRENT_USER, KEYMAP_KEY_PATH);
    HKEY hKey = NULL;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, KEYMAP_KEY_PATH, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL) !=
        ERROR_SUCCESS)
        return Wrong(pCtx, "the settings key cannot be made");
    StoredValue rgStored[kSettingCount] = {};
    size_t at = 0;
    for (int n = 0; n < 12 && at + kRecordHeader <= data.size(); ++n)
    {
        const int nName = data[at] % kSettingCount;
        const DWORD dwType = data[at + 1] % 12;
        const size_t cb = std::min<size_t>(data[at + 2] | data[at + 3] << 8, data.size() - at - kRecordHeader);
        at += kRecordHeader;
        if (RegSetValueExW(hKey, kSettings[nName].pszName, 0, dwType, cb ? &data[at] : NULL, static_cast<DWORD>(cb)) ==
            ERROR_SUCCESS)
            rgStored[nName] = ReadStored(hKey, kSettings[nName].pszName);
        at += cb;
    }
    RegCloseKey(hKey);
    const bool bRight = CheckSettings(pCtx, rgStored);
    RegDeleteKeyW(HKEY_CURRENT_USER, KEYMAP_KEY_PATH);
    SetStringSetting(SZ_THUMBNAIL_FOLDER, pCtx->thumbs.c_str());
    return bRight;
}
