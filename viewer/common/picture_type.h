// Picture type numbers and what the browser shows of each. 6 and 7 take the
// program's JPEG route, 8 the WebP route and 9 to 11 the HEIF route (HEVC
// and AV1 pictures in a HEIF file); every other value, BMP, GIF and PNG
// among them, the platform decoder.
#pragma once

#include <stddef.h>
#include <wchar.h>

enum PictureType
{
    PICTYPE_UNKNOWN = 0,
    PICTYPE_BY_EXTENSION = 1, // requests only
    PICTYPE_BMP = 2,          // ".bmp" and ".2bp"
    PICTYPE_GIF = 3,
    PICTYPE_PNG = 4,
    PICTYPE_JPG = 6,
    PICTYPE_JPEG = 7,
    PICTYPE_WEBP = 8,
    PICTYPE_HEIC = 9,
    PICTYPE_HEIF = 10,
    PICTYPE_AVIF = 11
};

// One row a type: its extensions, its short name, its place in a sort by
// type (a larger rank comes first in the forward order: JPEG, PNG, GIF and
// BMP as they always sorted, then WebP, HEIC, HEIF and AVIF) and its icon in
// the file list's image list (the icons IDI_TYPE_BMP + n, in that order).
struct PictureTypeRow
{
    PictureType type;
    const wchar_t* pszExt;
    const wchar_t* pszName;
    int nSortRank;
    int nIcon;
};

inline const PictureTypeRow* PictureTypeRows(size_t* pnRows)
{
    static const PictureTypeRow kRows[] = {
        {PICTYPE_BMP, L".bmp", L"BMP", 12, 0},   {PICTYPE_BMP, L".2bp", L"BMP", 12, 0},
        {PICTYPE_GIF, L".gif", L"GIF", 13, 1},   {PICTYPE_PNG, L".png", L"PNG", 14, 3},
        {PICTYPE_JPG, L".jpg", L"JPEG", 16, 2},  {PICTYPE_JPEG, L".jpeg", L"JPEG", 17, 2},
        {PICTYPE_WEBP, L".webp", L"WebP", 11, 5}, {PICTYPE_HEIC, L".heic", L"HEIC", 10, 6},
        {PICTYPE_HEIF, L".heif", L"HEIF", 9, 6}, {PICTYPE_AVIF, L".avif", L"AVIF", 8, 7},
    };
    *pnRows = sizeof(kRows) / sizeof(kRows[0]);
    return kRows;
}

inline const PictureTypeRow* PictureTypeRowOf(int nType)
{
    size_t nRows = 0;
    const PictureTypeRow* pRows = PictureTypeRows(&nRows);
    for (size_t i = 0; i < nRows; i++)
        if (pRows[i].type == nType)
            return &pRows[i];
    return nullptr;
}

// The type of an extension (from its "."), compared without regard to
// case; PICTYPE_UNKNOWN for any other text.
inline PictureType PictureTypeOfExtension(const wchar_t* pszExt)
{
    size_t nRows = 0;
    const PictureTypeRow* pRows = PictureTypeRows(&nRows);
    for (size_t i = 0; pszExt && i < nRows; i++)
        if (_wcsicmp(pszExt, pRows[i].pszExt) == 0)
            return pRows[i].type;
    return PICTYPE_UNKNOWN;
}

// The short name of a picture type ("BMP", "JPEG", "WebP", "HEIC" ...); any
// other value gives pszOther.
inline const wchar_t* PictureTypeName(int nType, const wchar_t* pszOther)
{
    const PictureTypeRow* pRow = PictureTypeRowOf(nType);
    return pRow ? pRow->pszName : pszOther;
}

// Larger ranks sort first in the forward order; unknown types rank 0.
inline int PictureTypeSortRank(int nType)
{
    const PictureTypeRow* pRow = PictureTypeRowOf(nType);
    return pRow ? pRow->nSortRank : 0;
}

// The type's icon in the file list's image list; 0 (BMP's) for an unknown type.
inline int PictureTypeIcon(int nType)
{
    const PictureTypeRow* pRow = PictureTypeRowOf(nType);
    return pRow ? pRow->nIcon : 0;
}
