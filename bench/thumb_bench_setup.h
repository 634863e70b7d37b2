// The set-up both thumbnail benchmarks share: a thumbnail folder of their
// own, named in the settings, and a main window record that carries the
// decoder the thumbnail maker uses.
#pragma once

#include <windows.h>

#include <string>

#include "viewer/common/picture_entry.h"

#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/imaging/decode/image_decoder.h"

// thumbs is made (without a trailing backslash) and becomes the thumbnail
// folder; *pData is registered as the record, with pDecoder in it. Both
// must outlive the benchmark.
inline void UseThumbnailFolder(std::wstring* pThumbs, CImageDecoder* pDecoder, MainWindowData* pData)
{
    if (!pThumbs->empty() && pThumbs->back() == L'\\')
        pThumbs->pop_back();
    CreateDirectoryW(pThumbs->c_str(), NULL);
    SetStringSetting(SZ_THUMBNAIL_FOLDER, pThumbs->c_str());
    *pData = MainWindowData();
    pData->pDecoder = pDecoder;
    GetThumbnailFolder(pData->szThumbnailFolder);
    SetMainWindowData(pData);
}

// The list's entry for one found picture file.
inline PictureEntry EntryFromFind(const WIN32_FIND_DATAW& fd)
{
    PictureEntry e = {};
    wcscpy_s(e.szName, fd.cFileName);
    e.cchName = static_cast<LONG>(wcslen(fd.cFileName));
    e.nType = CImageDecoder::TypeFromExtension(fd.cFileName);
    e.nFileSize = fd.nFileSizeLow;
    e.ftLastWrite = fd.ftLastWriteTime;
    return e;
}
