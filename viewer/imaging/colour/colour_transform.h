// Transforms from a picture's colours into the screen's, taken to be sRGB,
// built by lcms2 and kept for the next pictures with the same profile. Used
// from any decoding thread at once (the viewer, the thumbnail worker, the
// read-ahead); a transform handed out stays valid until it is released.
#pragma once

#include <stddef.h>

#include "viewer/imaging/colour/profile_bytes.h"

// The pixels a transform reads; it always writes blue, green, red bytes in
// the same layout (the fourth byte of BGRX32 is left as it is), or BGR24
// for the CMYK layouts.
enum ColourPixels
{
    COLOUR_BGR24,           // an RGB or grey profile's pixels, grey in all three bytes
    COLOUR_BGRX32,
    COLOUR_CMYK,            // a CMYK profile's samples, 0 = no ink
    COLOUR_CMYK_INVERTED,   // 255 = no ink, as Adobe's JPEGs store them
    COLOUR_PIXEL_KINDS
};

struct ColourTransform;

// The transform for the colours and the layout, or null when the colours
// need none, the profile does not suit the layout (a CMYK profile for RGB
// pixels, say) or lcms2 refuses it (damaged, or truncated inside). Release
// what comes back.
ColourTransform* AcquireColourTransform(const EmbeddedColour& colour, ColourPixels pixels);
void ReleaseColourTransform(ColourTransform* pTransform);

// nRows rows of nWidth pixels, each row cbStrideIn (cbStrideOut) bytes after
// the one before. In and out may be the same memory when the layout writes
// what it reads (not CMYK).
void TransformRows(ColourTransform* pTransform, const void* pIn, size_t cbStrideIn, void* pOut,
                   size_t cbStrideOut, int nWidth, int nRows);

// How many transforms are kept for profiles met again.
#define COLOUR_TRANSFORMS_KEPT 8
