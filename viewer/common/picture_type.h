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
