// The in/out record of every decode call and its flags: what the callers
// fill in, and what every route reads and reports.
#pragma once

#include <windows.h>

// DecodeOptions.flags
enum DecodeFlags
{
    DECODE_REDUCE = 0x1,      // reduced decoding allowed (with reduceMode 1)
    DECODE_SIZE_TEST = 0x2,   // sets largeFlag
    DECODE_HEADER_ONLY = 0x4, // no bitmap, only info
    // A JPEG or WebP is stood upright as its EXIF orientation says (size
    // reported upright too); other types and pictures without the tag come
    // as stored. HEIF pictures always come upright by their own
    // transformations, and their EXIF orientation is never applied.
    DECODE_UPRIGHT = 0x8,
    // The picture's colours turned from those its file declares (an ICC
    // profile, Display P3) into the screen's sRGB; without a profile, or
    // without this flag, the numbers are shown as stored.
    DECODE_MANAGE_COLOUR = 0x10
};

// A picture wider or higher than this is large (DECODE_SIZE_TEST); only
// large pictures get a cached thumbnail.
enum { DECODE_LARGE_SIDE = 256 };
// The box a thumbnail is fitted into: a route that has a smaller picture
// of its own to give for a thumbnail gives it only when it fills its share
// of the box.
enum { DECODE_THUMB_BOX_WIDTH = 64, DECODE_THUMB_BOX_HEIGHT = 60 };

// The caller zeroes it, sets the inputs and reads the outputs.
struct DecodeOptions
{
    DWORD flags;             // in: DecodeFlags
    LONG type;               // in/out: PictureType; 1 is replaced by the type of the name
    LONG reduceMode;         // in: 1 = reduce by width when DECODE_REDUCE is set
    DWORD largeFlag;         // out: 1 when DECODE_SIZE_TEST and width or height > DECODE_LARGE_SIDE
    BITMAPINFOHEADER info;   // out, header-only mode: biWidth, biHeight, biPlanes 1, biBitCount
};
