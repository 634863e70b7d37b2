// The thumbnail cache's tests: a thumbnail folder of their own, named in the
// registry and in the main window's record, a folder of pictures, and index
// records written byte by byte.
#pragma once

#include <stdint.h>
#include <string>
#include <windows.h>

#include "tests/support/files.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/pictures.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_file.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/picture_entry.h"
#include "viewer/common/settings_names.h"
#include "viewer/imaging/decode/image_decoder.h"

const FILETIME kThumbTime = {0x11223344, 0x01D9AABB};

// One index record as the cache writes it: slot, path, size 1000, kThumbTime
// and the thumbnail at (x, 6); an unterminated path fills all 260 units.
inline std::string RawRecord(int32_t slot, const std::wstring& path, bool bTerminated = true, int32_t x = 0)
{
    std::string rec(THUMB_RECORD_BYTES, '\0');
    for (int i = 0; i < THUMB_PATH_UNITS; ++i)
    {
        const wchar_t c = bTerminated ? (i < (int)path.size() ? path[i] : 0) : L'A' + i % 26;
        rec[4 + 2 * i] = (char)(c & 0xFF);
        rec[5 + 2 * i] = (char)(c >> 8);
    }
    const uint32_t v[] = {(uint32_t)slot, 1000, kThumbTime.dwLowDateTime, kThumbTime.dwHighDateTime, (uint32_t)x, 6};
    for (int f = 0; f < 6; ++f)
        for (int b = 0; b < 4; ++b)
            rec[524 + 4 * f + b] = (char)(v[f] >> (8 * b));
    return rec;
}

// A 24-bit DIB section of one grey, as the maker makes thumbnails.
inline HBITMAP Grey(int w, int h)
{
    return MakePicture(w, h, 24, [](int, int) { return 0x808080u; });
}

class ThumbFolderTest : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        const std::wstring folder = thumbs.Path().substr(0, thumbs.Path().size() - 1);
        RawSetText(SZ_THUMBNAIL_FOLDER, folder);
        wcscpy_s(data.szThumbnailFolder, folder.c_str());
        data.pDecoder = &decoder;
        SetMainWindowData(&data);
    }
    void TearDown() override
    {
        CloseThumbIndex();
        SetMainWindowData(NULL);
        SettingsTest::TearDown();
    }
    // 0: thumbnails as stored, the index as earlier versions wrote it.
    void SetAutoRotate(DWORD dwValue) { RawSetDword(SZ_AUTO_ROTATE, dwValue); }
    // An entry for a picture of the pictures folder, with its real size and time.
    PictureEntry Entry(const wchar_t* pszName)
    {
        PictureEntry e = {};
        wcscpy_s(e.szName, pszName);
        e.nType = CImageDecoder::TypeFromExtension(pszName);
        WIN32_FILE_ATTRIBUTE_DATA fa = {};
        GetFileAttributesExW((pictures / pszName).c_str(), GetFileExInfoStandard, &fa);
        e.nFileSize = fa.nFileSizeLow;
        e.ftLastWrite = fa.ftLastWriteTime;
        return e;
    }
    LONG Find(const PictureEntry& e)
    {
        return LookupThumb((pictures / e.szName).c_str(), e.nFileSize, &e.ftLastWrite, NULL, NULL);
    }

    TempFolder thumbs, pictures;
    MainWindowData data = {};
    CImageDecoder decoder;
};
