// The colours a picture file says its numbers are in: an ICC profile it
// carries (JPEG APP2 chunks, PNG iCCP, WebP ICCP, HEIF/AVIF colr, BMP V5),
// or the Display P3 primaries a HEIF/AVIF nclx box names. Found by the
// file's signature, not its name. Pure code: no <windows.h>.
#pragma once

#include "viewer/imaging/colour/profile_bytes.h"

// Reads the description of the picture in the source. Anything cut off,
// out of bounds or malformed gives EMBEDDED_NONE; so does an allocation
// that fails. *pColour must be zeroed or freed before.
void ReadEmbeddedColour(const ByteSource& source, EmbeddedColour* pColour);
