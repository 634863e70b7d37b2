// A route's orientation step: the tag is read from the file the route
// already has open, before the picture is decoded, the decode keeps room
// for a turn, and the decoded bitmap is stood upright afterwards.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <stdio.h>

struct DecodeOptions;

// The EXIF orientation to apply to the picture of pFile (open at its start,
// not yet read): 1 unless the request asks for DECODE_UPRIGHT. The file is
// left at its start.
int OrientationToApply(FILE* pFile, const DecodeOptions* pOptions);

// The budget the decode itself may use: all of cbBudget, or what leaves
// room for the turned copy when there is a quarter turn to make.
uint64_t DecodeBudget(uint64_t cbBudget, int nOrientation);

// Stands the decoded bitmap upright (null stays null) and, for a header-only
// request, reports the upright size.
HBITMAP StandUpright(HBITMAP hbm, int nOrientation, DecodeOptions* pOptions);
