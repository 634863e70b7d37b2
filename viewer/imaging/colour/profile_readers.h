// One reader per format that carries colours; each checks its own
// signature first and returns false, leaving *pColour alone, when the bytes
// are not its format.
#pragma once

#include "viewer/imaging/colour/profile_bytes.h"

bool ReadJpegColour(const ByteSource& source, EmbeddedColour* pColour);
bool ReadPngColour(const ByteSource& source, EmbeddedColour* pColour);
bool ReadWebpColour(const ByteSource& source, EmbeddedColour* pColour);
bool ReadBmpColour(const ByteSource& source, EmbeddedColour* pColour);
bool ReadIsoBoxColour(const ByteSource& source, EmbeddedColour* pColour);
