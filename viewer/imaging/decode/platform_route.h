// The platform route: the platform's image decompression library, at the
// display's depth. It also takes the types no other route knows: the
// library tells the format from the data.
#pragma once

#include "viewer/imaging/decode/decode_route.h"

HBITMAP PlatformRoute(const DecodeRequest& request);
