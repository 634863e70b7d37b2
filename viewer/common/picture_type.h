// Picture type numbers. 6 and 7 take the program's JPEG route, every other
// value the platform decoder.
#pragma once

enum PictureType
{
    PICTYPE_UNKNOWN = 0,
    PICTYPE_BY_EXTENSION = 1, // requests only
    PICTYPE_BMP = 2,          // ".bmp" and ".2bp"
    PICTYPE_GIF = 3,
    PICTYPE_PNG = 4,
    PICTYPE_JPG = 6,
    PICTYPE_JPEG = 7
};

// The short name of a picture type ("BMP", "GIF", "PNG", "JPEG"); any other
// value gives pszOther.
inline const wchar_t* PictureTypeName(int nType, const wchar_t* pszOther)
{
    switch (nType)
    {
    case PICTYPE_BMP:
        return L"BMP";
    case PICTYPE_GIF:
        return L"GIF";
    case PICTYPE_PNG:
        return L"PNG";
    case PICTYPE_JPG:
    case PICTYPE_JPEG:
        return L"JPEG";
    default:
        return pszOther;
    }
}
