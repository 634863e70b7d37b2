// What the decoder's front door hands a format route. A route (one file
// each, jpeg_route and platform_route) decodes one file into a bitmap the
// caller owns, or reports its header; it calls only the files below it
// (decode_window, decode_upright, picture_budget), never the front door.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "viewer/imaging/decode/decode_options.h"

struct DecodeRequest
{
    const WCHAR* pszPath;           // never null
    // Never null; largeFlag and info are already cleared. The route sets
    // largeFlag for DECODE_SIZE_TEST, fills info and returns null for
    // DECODE_HEADER_ONLY, and may decode smaller for DECODE_REDUCE with
    // reduceMode 1 and stand the picture upright for DECODE_UPRIGHT.
    DecodeOptions* pOptions;
    uint64_t cbBudget;              // the most one decoded bitmap may take on this machine
    // The decoder's cancel flag: it only goes from 0 to 1 during a decode,
    // so a plain read between rows or buffers is enough. A route that sees
    // it set returns null and leaks nothing.
    const volatile LONG* pCancel;
    // The decoder's record of the file a route reads through a handle, for
    // as long as it has it open (the platform route); others leave it.
    HANDLE* phFile;
};

// The decoded bitmap (owned by the caller), or null.
typedef HBITMAP (*DecodeRoute)(const DecodeRequest& request);
