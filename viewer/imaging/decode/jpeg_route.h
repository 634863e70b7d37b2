// The JPEG route: libjpeg into a 24-bit bottom-up DIB section.
#pragma once

#include "viewer/imaging/decode/decode_route.h"

HBITMAP JpegRoute(const DecodeRequest& request);
