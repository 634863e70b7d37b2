#include "viewer/browser/thumb_index_record.h"

#include <string.h>

static_assert(THUMB_OFS_PATH + THUMB_PATH_UNITS * 2 == THUMB_OFS_SLOT, "path fills 4..523");
static_assert(THUMB_OFS_Y + 4 == THUMB_RECORD_BYTES, "a record is 548 bytes");

namespace {

void Put32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t Get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// Record 0's tag, in the bytes a record's path would take.
const uint8_t kHeaderTag[8] = {'P', 'V', 'X', 'M', 'A', 'D', 'E', '1'};
const int kHeaderFlagsOffset = THUMB_OFS_PATH + sizeof(kHeaderTag);

} // namespace

int IsValidThumbSlot(int64_t nSlot)
{
    return nSlot >= 1 && nSlot <= THUMB_MAX_SLOT;
}

void EncodeThumbRecord(const ThumbRecordFields* pFields, uint8_t* pBytes)
{
    memset(pBytes, 0, THUMB_RECORD_BYTES);
    // The path stops at its terminator, and the last unit is always one.
    for (int i = 0; i < THUMB_PATH_UNITS - 1 && pFields->path[i]; ++i)
    {
        pBytes[THUMB_OFS_PATH + 2 * i] = static_cast<uint8_t>(pFields->path[i]);
        pBytes[THUMB_OFS_PATH + 2 * i + 1] = static_cast<uint8_t>(pFields->path[i] >> 8);
    }
    Put32(pBytes + THUMB_OFS_SLOT, static_cast<uint32_t>(pFields->slot));
    Put32(pBytes + THUMB_OFS_SIZE, pFields->fileSize);
    Put32(pBytes + THUMB_OFS_TIME, pFields->timeLow);
    Put32(pBytes + THUMB_OFS_TIME + 4, pFields->timeHigh);
    Put32(pBytes + THUMB_OFS_X, static_cast<uint32_t>(pFields->x));
    Put32(pBytes + THUMB_OFS_Y, static_cast<uint32_t>(pFields->y));
}

int DecodeThumbRecord(const uint8_t* pBytes, ThumbRecordFields* pFields)
{
    int bTerminated = 0;
    for (int i = 0; i < THUMB_PATH_UNITS; ++i)
    {
        const uint16_t unit = static_cast<uint16_t>(pBytes[THUMB_OFS_PATH + 2 * i] |
                                                    pBytes[THUMB_OFS_PATH + 2 * i + 1] << 8);
        pFields->path[i] = bTerminated ? 0 : unit;
        if (!unit)
            bTerminated = 1;
    }
    pFields->path[THUMB_PATH_UNITS - 1] = 0;
    pFields->slot = static_cast<int32_t>(Get32(pBytes + THUMB_OFS_SLOT));
    pFields->fileSize = Get32(pBytes + THUMB_OFS_SIZE);
    pFields->timeLow = Get32(pBytes + THUMB_OFS_TIME);
    pFields->timeHigh = Get32(pBytes + THUMB_OFS_TIME + 4);
    pFields->x = static_cast<int32_t>(Get32(pBytes + THUMB_OFS_X));
    pFields->y = static_cast<int32_t>(Get32(pBytes + THUMB_OFS_Y));
    // Offsets outside the 64 x 60 box cannot come from this cache; the view
    // adds them to cell positions, so such a record is not trusted.
    const int bPlaced = pFields->x >= 0 && pFields->x <= 64 && pFields->y >= 0 && pFields->y <= 60;
    return bTerminated && bPlaced && IsValidThumbSlot(pFields->slot);
}

void EncodeThumbHeader(uint32_t dwMadeFlags, uint8_t* pBytes)
{
    memset(pBytes, 0, THUMB_RECORD_BYTES);
    if (dwMadeFlags == THUMB_MADE_AS_STORED)
        return;
    memcpy(pBytes + THUMB_OFS_PATH, kHeaderTag, sizeof(kHeaderTag));
    Put32(pBytes + kHeaderFlagsOffset, dwMadeFlags);
}

uint32_t DecodeThumbHeader(const uint8_t* pBytes)
{
    if (memcmp(pBytes + THUMB_OFS_PATH, kHeaderTag, sizeof(kHeaderTag)) != 0)
        return THUMB_MADE_AS_STORED;
    return Get32(pBytes + kHeaderFlagsOffset);
}
