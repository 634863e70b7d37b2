#include "tests/fuzz/fuzz_targets.h"

#include <stdarg.h>
#include <stdio.h>
#include <wchar.h>

#include "tests/extras/temp_folder.h"
#include "tests/fuzz/fuzz_seeds.h"
#include "tests/fuzz/fuzz_settings_names.h"
#include "tests/fuzz/fuzz_watch.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/settings.h"
#include "viewer/imaging/decode/picture_budget.h"
#include "viewer/browser/thumb_preview.h"
#include "viewer/imaging/decode/exif_info.h"

namespace {

const wchar_t kSettingsKey[] = L"Software\\Ombrix\\Ombrix Viewer";

bool Wrong(FuzzContext* pCtx, const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(pCtx->szWrong, sizeof(pCtx->szWrong), pszFormat, args);
    va_end(args);
    return false;
}

bool WriteInput(FuzzContext* pCtx, const std::wstring& path, const FuzzBytes& data)
{
    if (WriteWholeFile(path, data.data(), data.size()))
        return true;
    // The previous input's reader still holds the file.
    return Wrong(pCtx, "cannot rewrite %ls (error %lu)", path.c_str(), GetLastError());
}

// A bitmap a decode handed out must be a picture within the budget; it is
// deleted here.
bool CheckBitmap(FuzzContext* pCtx, HBITMAP hbm, const char* pszCall)
{
    if (!hbm)
        return true;
    DIBSECTION ds = {};
    const int cb = GetObjectW(hbm, sizeof(ds), &ds);
    DeleteObject(hbm);
    if (cb != sizeof(ds) || ds.dsBm.bmWidth < 1 || ds.dsBm.bmHeight < 1 || !ds.dsBm.bmBits)
        return Wrong(pCtx, "%s gave a bitmap that is no picture", pszCall);
    const unsigned long long cbBits = DibBytes(ds.dsBm.bmWidth, ds.dsBm.bmHeight, ds.dsBm.bmBitsPixel);
    if (cbBits > pCtx->cbLargestBitmap)
        pCtx->cbLargestBitmap = cbBits;
    if (cbBits > pCtx->cbBudget)
        return Wrong(pCtx, "%s gave %ldx%ld at %d bits: %llu bytes over the budget of %llu", pszCall, ds.dsBm.bmWidth,
                     ds.dsBm.bmHeight, ds.dsBm.bmBitsPixel, cbBits, pCtx->cbBudget);
    return true;
}

// The picture file decoded as the viewer (header, picture to view) and the
// thumbnail worker (reduced, size test) decode it; dwFlags adds to each.
bool RunPicture(FuzzContext* pCtx, const FuzzBytes& data, const wchar_t* pszExt, int nSeed, DWORD dwFlags = 0)
{
    const std::wstring path = pCtx->work + L"input" + pszExt;
    if (!WriteInput(pCtx, path, data))
        return false;
    DecodeOptions header = {};
    header.flags = DECODE_HEADER_ONLY | dwFlags;
    header.type = PICTYPE_BY_EXTENSION;
    HBITMAP hbm = pCtx->decoder.LoadNow(path.c_str(), &header);
    if (hbm)
    {
        DeleteObject(hbm);
        return Wrong(pCtx, "a header-only decode gave a bitmap");
    }
    NextStep();
    DecodeOptions view = {};
    view.flags = DECODE_SIZE_TEST | dwFlags;
    view.type = PICTYPE_BY_EXTENSION;
    hbm = pCtx->decoder.LoadNow(path.c_str(), &view);
    pCtx->bWicRefusedGif = !hbm && wcscmp(pszExt, L".gif") == 0;
    if (nSeed >= 0 && !hbm)
        return Wrong(pCtx, "seed %d does not decode", nSeed);
    if (!CheckBitmap(pCtx, hbm, "the picture decode"))
        return false;
    NextStep();
    DecodeOptions thumb = {};
    thumb.flags = DECODE_REDUCE | DECODE_SIZE_TEST | dwFlags;
    thumb.type = PICTYPE_BY_EXTENSION;
    thumb.reduceMode = 1;
    hbm = pCtx->decoder.LoadNow(path.c_str(), &thumb);
    return CheckBitmap(pCtx, hbm, "the thumbnail decode");
}

bool RunJpeg(FuzzContext* pCtx, const FuzzBytes& data, int nSeed)
{
    return RunPicture(pCtx, data, L".jpg", nSeed);
}

bool RunBmp(FuzzContext* pCtx, const FuzzBytes& data, int nSeed)
{
    return RunPicture(pCtx, data, L".bmp", nSeed);
}

bool RunGif(FuzzContext* pCtx, const FuzzBytes& data, int nSeed)
{
    return RunPicture(pCtx, data, L".gif", nSeed);
}

bool RunPng(FuzzContext* pCtx, const FuzzBytes& data, int nSeed)
{
    return RunPicture(pCtx, data, L".png", nSeed);
}

// Loads the index, looks records up, adds one (written at its slot) and
// closes it again, as start-up, the worker and exit do.
bool RunIndex(FuzzContext* pCtx, const FuzzBytes& data, int nSeed)
{
    if (!WriteInput(pCtx, pCtx->thumbs + L"\\index.tmb", data))
        return false;
    OpenThumbIndex();
    if (!IsThumbIndexOpen())
        return Wrong(pCtx, "the index did not open");
    const LONG nHighest = GetHighestThumbSlot();
    if (nHighest < 0 || nHighest > THUMB_MAX_SLOT)
    {
        CloseThumbIndex();
        return Wrong(pCtx, "highest slot %ld outside 0..%d", nHighest, THUMB_MAX_SLOT);
    }
    const FILETIME ft = {0x55667788, 0x01D9CCDD};
    LONG x = -1, y = -1;
    const LONG nFound = LookupThumb(L"\\b.png", 3000, &ft, &x, &y);
    if (nSeed == 0 && (nFound != 3 || x != 2 || y != 6))
    {
        CloseThumbIndex();
        return Wrong(pCtx, "seed 0 lost its record of slot 3 (found %ld at %ld,%ld)", nFound, x, y);
    }
    if (nFound != -1 && (nFound < 1 || nFound > THUMB_MAX_SLOT || x < 0 || x >= 64 || y < 0 || y >= 60))
    {
        CloseThumbIndex();
        return Wrong(pCtx, "a lookup handed out slot %ld at %ld,%ld", nFound, x, y);
    }
    if (nHighest < THUMB_MAX_SLOT)
    {
        ThumbIndexRecord record = {};
        wcscpy_s(record.szPath, L"\\My Documents\\new.jpg");
        record.nSlot = nHighest + 1;
        record.nFileSize = 5;
        record.ftLastWrite = ft;
        // Slots far out would grow the file to gigabytes; the cache never
        // writes more than a few thousand.
        AddThumbRecord(&record, record.nSlot < 4096);
    }
    CloseThumbIndex();
    return true;
}

// One cached thumbnail read back through a sound index.
bool RunPvx(FuzzContext* pCtx, const FuzzBytes& data, int nSeed)
{
    FuzzBytes index = IndexHeader();
    const FuzzBytes rec = IndexRecord(1, L"\\My Documents\\a.jpg", 1000);
    index.insert(index.end(), rec.begin(), rec.end());
    if (!WriteInput(pCtx, pCtx->thumbs + L"\\index.tmb", index) || !WriteInput(pCtx, pCtx->thumbs + L"\\pvx1.pvx", data))
        return false;
    OpenThumbIndex();
    HBITMAP hbm = ReadThumbFile(1);
    CloseThumbIndex();
    BITMAP bm = {};
    const bool bSound = !hbm || (GetObjectW(hbm, sizeof(bm), &bm) == sizeof(bm) && bm.bmWidth >= 1 &&
                                 bm.bmWidth <= 64 && bm.bmHeight >= 1 && bm.bmHeight <= 60 && bm.bmBitsPixel == 24);
    if (hbm)
        DeleteObject(hbm);
    if (!bSound)
        return Wrong(pCtx, "a thumbnail of %ldx%ld at %d bits came through", bm.bmWidth, bm.bmHeight, bm.bmBitsPixel);
    const bool bForeign = nSeed == 4;
    if (nSeed >= 0 && !hbm != bForeign)
        return Wrong(pCtx, "seed %d was %s", nSeed, bForeign ? "accepted" : "refused");
    return true;
}

// What the reader must give for a text stored as type and bytes: the
// default for anything but REG_SZ or a block longer than 262 bytes, else the
// stored units up to the first zero, at most 129 of them.
std::wstring ExpectedText(DWORD dwType, const uint8_t* pb, size_t cb, const wchar_t* pszDefault)
{
    const size_t cch = cb / 2;
    if (dwType != REG_SZ || cb > 262 || (cch == 131 && (pb[260] | pb[261])))
        return pszDefault;
    std::wstring text;
    for (size_t i = 0; i < cch && i < 129; ++i)
    {
        const wchar_t c = static_cast<wchar_t>(pb[2 * i] | pb[2 * i + 1] << 8);
        if (!c)
            break;
        text += c;
    }
    return text;
}

// Reads a text into a buffer of cch units followed by a guard; false when the
// reader wrote past it or left the text unterminated.
bool ReadTextGuarded(FuzzContext* pCtx, const wchar_t* pszName, const wchar_t* pszDefault, DWORD cch, bool bNamed,
                     std::wstring* pText)
{
    wchar_t sz[MAX_PATH + 16];
    for (wchar_t& c : sz)
        c = 0xA5A5;
    if (bNamed && wcscmp(pszName, SZ_THUMBNAIL_FOLDER) == 0)
        GetThumbnailFolder(sz);
    else if (bNamed && wcscmp(pszName, SZ_SCREENCAPTURE_SAVE_FOLDER) == 0)
        GetScreenCaptureSaveFolder(sz);
    else
        GetStringSetting(pszName, sz, cch * sizeof(wchar_t), pszDefault);
    for (DWORD i = cch; i < cch + 16; ++i)
        if (sz[i] != 0xA5A5)
            return Wrong(pCtx, "reading %ls into %lu units wrote past them", pszName, cch);
    if (wcsnlen(sz, cch) == cch)
        return Wrong(pCtx, "reading %ls into %lu units left no terminator", pszName, cch);
    *pText = sz;
    return true;
}

struct StoredValue
{
    bool bSet;
    DWORD dwType;
    FuzzBytes bytes;
};

bool CheckSettings(FuzzContext* pCtx, const StoredValue* rgStored)
{
    for (int i = 0; i < FUZZ_SETTING_COUNT; ++i)
    {
        const FuzzSettingName& name = g_rgFuzzSettings[i];
        const StoredValue& stored = rgStored[i];
        if (name.bText)
        {
            std::wstring text, named, cut;
            if (!ReadTextGuarded(pCtx, name.pszName, name.pszDefault, 130, false, &text) ||
                !ReadTextGuarded(pCtx, name.pszName, name.pszDefault, 130, true, &named) ||
                !ReadTextGuarded(pCtx, name.pszName, name.pszDefault, 3, false, &cut))
                return false;
            const std::wstring expected = stored.bSet ? ExpectedText(stored.dwType, stored.bytes.data(),
                                                                     stored.bytes.size(), name.pszDefault)
                                                      : std::wstring(name.pszDefault);
            if (text != expected)
                return Wrong(pCtx, "%ls (type %lu, %u bytes) read as \"%ls\", not \"%ls\"", name.pszName,
                             stored.dwType, static_cast<unsigned>(stored.bytes.size()), text.c_str(), expected.c_str());
            continue;
        }
        DWORD dwExpected = name.dwDefault;
        if (stored.bSet && stored.dwType == REG_DWORD && stored.bytes.size() == 4)
            dwExpected = stored.bytes[0] | stored.bytes[1] << 8 | stored.bytes[2] << 16 |
                         static_cast<DWORD>(stored.bytes[3]) << 24;
        const DWORD dwRead = GetSetting(name.pszName, name.dwDefault);
        if (dwRead != dwExpected)
            return Wrong(pCtx, "%ls (type %lu, %u bytes) read as %lu, not %lu", name.pszName, stored.dwType,
                         static_cast<unsigned>(stored.bytes.size()), dwRead, dwExpected);
    }
    // The switches the store reads as 0 or 1.
    if (GetSlideshowDirection() > 1 || GetSlideshowLoop() > 1 || GetViewerOptimizedView() > 1 || GetAutoRotate() > 1)
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
    DWORD dwType = 0;
    DWORD cb = 0;
    if (RegQueryValueExW(hKey, pszName, NULL, &dwType, NULL, &cb) != ERROR_SUCCESS)
        return stored;
    stored.bytes.resize(cb ? cb : 1);
    if (RegQueryValueExW(hKey, pszName, NULL, &dwType, stored.bytes.data(), &cb) != ERROR_SUCCESS)
    {
        stored.bytes.clear();
        return stored;
    }
    stored.bytes.resize(cb);
    stored.bSet = true;
    stored.dwType = dwType;
    return stored;
}

// Writes the input's values into the settings key, reads every setting back
// and compares; then leaves the key as the other targets need it.
bool RunSettings(FuzzContext* pCtx, const FuzzBytes& data, int)
{
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
    HKEY hKey = NULL;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL) != ERROR_SUCCESS)
        return Wrong(pCtx, "the settings key cannot be made");
    StoredValue rgStored[FUZZ_SETTING_COUNT] = {};
    size_t at = 0;
    for (int n = 0; n < 12 && at + SETTING_RECORD_HEADER <= data.size(); ++n)
    {
        const int nName = data[at] % FUZZ_SETTING_COUNT;
        const DWORD dwType = data[at + 1] % 12;
        size_t cb = data[at + 2] | data[at + 3] << 8;
        at += SETTING_RECORD_HEADER;
        if (cb > data.size() - at)
            cb = data.size() - at;
        const BYTE* pb = cb ? &data[at] : NULL;
        if (RegSetValueExW(hKey, g_rgFuzzSettings[nName].pszName, 0, dwType, pb, static_cast<DWORD>(cb)) ==
            ERROR_SUCCESS)
            rgStored[nName] = ReadStored(hKey, g_rgFuzzSettings[nName].pszName);
        at += cb;
    }
    RegCloseKey(hKey);
    const bool bRight = CheckSettings(pCtx, rgStored);
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
    SetStringSetting(SZ_THUMBNAIL_FOLDER, pCtx->thumbs.c_str());
    return bRight;
}

bool CheckExif(FuzzContext* pCtx, const ExifInfo& info, size_t cbFile, const char* pszCall)
{
    if (info.nOrientation < EXIF_ORIENTATION_UPRIGHT || info.nOrientation > EXIF_ORIENTATION_MAX)
        return Wrong(pCtx, "%s gave orientation %d", pszCall, info.nOrientation);
    if (wcsnlen(info.szCamera, 64) == 64)
        return Wrong(pCtx, "%s left the camera name unterminated", pszCall);
    if (info.dwPreviewOffset &&
        (info.dwPreviewLength == 0 || info.dwPreviewOffset > cbFile || info.dwPreviewLength > cbFile - info.dwPreviewOffset))
        return Wrong(pCtx, "%s placed the preview at %lu + %lu in a file of %u bytes", pszCall, info.dwPreviewOffset,
                     info.dwPreviewLength, static_cast<unsigned>(cbFile));
    return true;
}

// The EXIF block read from the open file and parsed from memory; then the
// picture stood upright as the viewer opens it, and the thumbnail made from
// its embedded preview as the worker makes it.
bool RunExif(FuzzContext* pCtx, const FuzzBytes& data, int nSeed)
{
    ExifInfo fromMemory = {};
    ParseExifInfo(data.data(), static_cast<DWORD>(data.size() < static_cast<size_t>(EXIF_READ_LIMIT) ? data.size() : static_cast<size_t>(EXIF_READ_LIMIT)),
                  static_cast<DWORD>(data.size()), &fromMemory);
    if (!CheckExif(pCtx, fromMemory, data.size(), "ParseExifInfo"))
        return false;
    const std::wstring path = pCtx->work + L"exif.jpg";
    if (!WriteInput(pCtx, path, data))
        return false;
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return Wrong(pCtx, "the EXIF input cannot be opened");
    ExifInfo fromFile = {};
    const BOOL bRead = ReadExifInfo(hFile, &fromFile);
    CloseHandle(hFile);
    if (!CheckExif(pCtx, fromFile, data.size(), "ReadExifInfo"))
        return false;
    if (nSeed == 0 && (!bRead || fromFile.nOrientation != 6 || !fromFile.dwPreviewOffset))
        return Wrong(pCtx, "the seed's block was not read (orientation %d)", fromFile.nOrientation);
    NextStep();
    ViewBox fit = {};
    bool bLarge = false;
    volatile int32_t nStop = 0;
    HBITMAP hbm = ThumbFromPreview(path.c_str(), PICTYPE_JPG, true, &fit, &bLarge, &nStop);
    BITMAP bm = {};
    const bool bSound = !hbm || (GetObjectW(hbm, sizeof(bm), &bm) == sizeof(bm) && bm.bmWidth >= 1 &&
                                 bm.bmWidth <= 64 && bm.bmHeight >= 1 && bm.bmHeight <= 60);
    if (hbm)
        DeleteObject(hbm);
    if (!bSound)
        return Wrong(pCtx, "a preview thumbnail of %ldx%ld came through", bm.bmWidth, bm.bmHeight);
    if (nSeed == 0 && !hbm)
        return Wrong(pCtx, "the seed's preview made no thumbnail");
    NextStep();
    return RunPicture(pCtx, data, L".jpg", nSeed, DECODE_UPRIGHT);
}

} // namespace

std::vector<FuzzTarget> MakeTargets(const std::wstring& fixtures)
{
    std::vector<FuzzTarget> targets = {
        {"jpeg", ".jpg", FUZZ_FORMAT_JPEG, JpegSeeds(), RunJpeg},
        {"bmp", ".bmp", FUZZ_FORMAT_BMP, BmpSeeds(), RunBmp},
        {"gif", ".gif", FUZZ_FORMAT_GIF, FixtureSeeds(fixtures, {L"frame.gif", L"noise.gif"}), RunGif},
        {"png", ".png", FUZZ_FORMAT_PNG,
         FixtureSeeds(fixtures, {L"quad.png", L"quad16.png", L"quad_interlaced.png", L"quad_palette.png", L"grey.png",
                                 L"grey16_interlaced.png", L"alpha.png", L"rgb_50x40.png"}),
         RunPng},
        {"index", ".tmb", FUZZ_FORMAT_INDEX, IndexSeeds(), RunIndex},
        {"pvx", ".pvx", FUZZ_FORMAT_JPEG, PvxSeeds(), RunPvx},
        {"settings", ".reg", FUZZ_FORMAT_RECORDS, SettingsSeeds(), RunSettings},
        {"exif", ".jpg", FUZZ_FORMAT_JPEG, ExifSeeds(), RunExif},
    };
    return targets;
}

bool PrepareContext(FuzzContext* pCtx)
{
    wchar_t szTemp[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, szTemp))
        return false;
    wchar_t szWork[MAX_PATH];
    _snwprintf_s(szWork, MAX_PATH, _TRUNCATE, L"%lsombrix-fuzz-%lu\\", szTemp, GetCurrentProcessId());
    pCtx->work = szWork;
    pCtx->thumbs = pCtx->work + L"thumbs";
    if (!CreateDirectoryW(pCtx->work.c_str(), NULL) || !CreateDirectoryW(pCtx->thumbs.c_str(), NULL) ||
        pCtx->thumbs.size() > SETTING_TEXT_MAX_CHARS)
        return false;
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
    SetStringSetting(SZ_THUMBNAIL_FOLDER, pCtx->thumbs.c_str());
    memset(&pCtx->data, 0, sizeof(pCtx->data));
    wcscpy_s(pCtx->data.szThumbnailFolder, pCtx->thumbs.c_str());
    pCtx->data.pDecoder = &pCtx->decoder;
    SetMainWindowData(&pCtx->data);
    pCtx->cbBudget = CImageDecoder::PictureBudgetBytes();
    pCtx->cbLargestBitmap = 0;
    pCtx->szWrong[0] = 0;
    return true;
}

void CleanContext(FuzzContext* pCtx)
{
    CloseThumbIndex();
    SetMainWindowData(NULL);
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
    WIN32_FIND_DATAW fd;
    for (const std::wstring& folder : {pCtx->thumbs + L"\\", pCtx->work})
    {
        HANDLE hFind = FindFirstFileW((folder + L"*").c_str(), &fd);
        if (hFind == INVALID_HANDLE_VALUE)
            continue;
        do
        {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((folder + fd.cFileName).c_str());
        } while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
    }
    RemoveDirectoryW(pCtx->thumbs.c_str());
    RemoveDirectoryW(pCtx->work.c_str());
}
