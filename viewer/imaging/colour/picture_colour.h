// Colour management of decoded pictures: the colours a file declares (by
// its content, whatever its name) turned into the screen's sRGB, in place,
// once, right after decoding. A picture without a profile, with an sRGB
// one, or with one that cannot be used is left exactly as decoded.
#pragma once

#include <windows.h>

#include "viewer/imaging/colour/colour_transform.h"

// Reads the file's colours and converts the decoded picture hbm (a DIB
// section of 16 bits with masks, 24 or 32 bits; other bitmaps are left as
// they are). Returns hbm; null, with hbm deleted, when the cancel flag was
// set meanwhile, as the decoder's routes do. Null hbm gives null.
HBITMAP ConvertToScreenColours(const WCHAR* pszPath, HBITMAP hbm, const volatile LONG* pCancel);

// The transform that turns the CMYK samples of the file at pszPath (a CMYK
// JPEG) into blue, green, red bytes by its embedded profile; null when it
// carries no CMYK profile that can be used. Release what comes back.
ColourTransform* AcquireCmykTransform(const WCHAR* pszPath, bool bInverted);

// The file's colours, read from its head (and its profile's bytes); false
// when the file cannot be opened.
bool ReadFileColour(const WCHAR* pszPath, EmbeddedColour* pColour);
