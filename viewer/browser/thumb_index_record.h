// The on-disk form of one "index.tmb" record: 548 bytes, little-endian,
// written field by field so that it never depends on the compiler's layout
// or the pointer size. Pure code: no <windows.h>.
#pragma once

#include <stdint.h>

#define THUMB_RECORD_BYTES 548
#define THUMB_PATH_UNITS 260
// Slot k lies at offset 548 x k; beyond this the offset no longer fits the
// 32-bit signed offsets of the runtime's file positioning.
#define THUMB_MAX_SLOT (0x7FFFFFFF / THUMB_RECORD_BYTES)

// Offsets of the fields inside a record.
enum ThumbRecordOffset
{
    THUMB_OFS_LINK = 0,
    THUMB_OFS_PATH = 4,
    THUMB_OFS_SLOT = 524,
    THUMB_OFS_SIZE = 528,
    THUMB_OFS_TIME = 532,
    THUMB_OFS_X = 540,
    THUMB_OFS_Y = 544
};

struct ThumbRecordFields
{
    uint16_t path[THUMB_PATH_UNITS]; // UTF-16, terminated
    int32_t slot;
    uint32_t fileSize;
    uint32_t timeLow;
    uint32_t timeHigh;
    int32_t x;
    int32_t y;
};

// The link is written as 0 and the units after the path's terminator as 0.
void EncodeThumbRecord(const ThumbRecordFields* pFields, uint8_t* pBytes);
// Nonzero when the record can describe a cached thumbnail: its path is
// terminated inside its 260 units, its slot lies in 1..THUMB_MAX_SLOT and its
// offsets inside the 64 x 60 box.
// The path copy is always terminated, whatever the bytes hold.
int DecodeThumbRecord(const uint8_t* pBytes, ThumbRecordFields* pFields);
int IsValidThumbSlot(int64_t nSlot);

// Record 0 holds no thumbnail: it says how the thumbnails of the cache were
// made. Every index written before holds zeros there, which read as "as
// stored", and readers that skip record 0 never see the rest.
enum ThumbMadeFlags
{
    THUMB_MADE_AS_STORED = 0,
    THUMB_MADE_UPRIGHT = 0x1,        // camera pictures stood up by their orientation tag
    THUMB_MADE_COLOUR_MANAGED = 0x2  // colours turned into sRGB by the pictures' profiles
};
// Record 0's bytes for these flags: all zeros for THUMB_MADE_AS_STORED, so
// that such an index is byte for byte what earlier versions wrote.
void EncodeThumbHeader(uint32_t dwMadeFlags, uint8_t* pBytes);
// The flags of record 0's bytes; THUMB_MADE_AS_STORED unless they carry the
// cache's tag.
uint32_t DecodeThumbHeader(const uint8_t* pBytes);
