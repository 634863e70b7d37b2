// The colours of a picture file: each format's reader is asked in turn and
// answers only for its own signature.
#include "viewer/imaging/colour/embedded_profile.h"

#include <string.h>

#include "viewer/imaging/colour/profile_readers.h"

void ReadEmbeddedColour(const ByteSource& source, EmbeddedColour* pColour)
{
    memset(pColour, 0, sizeof(*pColour));
    ReadJpegColour(source, pColour) || ReadPngColour(source, pColour) || ReadWebpColour(source, pColour) ||
        ReadBmpColour(source, pColour) || ReadIsoBoxColour(source, pColour);
}
