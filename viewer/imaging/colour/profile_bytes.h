// The colours a picture file says its numbers are in, as the readers hand
// them over, and what the readers share: the bytes of the file through a
// read function (so that they work on files and on memory alike) and the
// checks that make bytes a profile. Pure code: no <windows.h>.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Profiles larger than this are not read: the largest printer profiles stay
// well below it, and a crafted header could otherwise ask for gigabytes.
#define EMBEDDED_PROFILE_MAX_BYTES (16u * 1024 * 1024)
// The smallest ICC profile: its 128-byte header and the tag count.
#define EMBEDDED_PROFILE_MIN_BYTES 132u

// Random access to the file's bytes. pfnRead fills exactly cb bytes from
// nAt, or returns false (past the end, or a read error).
struct ByteSource
{
    void* pContext;
    bool (*pfnRead)(void* pContext, uint64_t nAt, void* pv, size_t cb);
    uint64_t cbSize;
};

enum EmbeddedKind
{
    EMBEDDED_NONE = 0,    // nothing, sRGB, or nothing that can be used: shown as stored
    EMBEDDED_ICC,         // pbIcc holds cbIcc bytes of a whole profile (its size field says so)
    EMBEDDED_DISPLAY_P3   // nclx: Display P3 primaries with the sRGB tone curve
};

struct EmbeddedColour
{
    EmbeddedKind kind;
    uint8_t* pbIcc;       // malloc'd; freed by FreeEmbeddedColour
    uint32_t cbIcc;
};

void FreeEmbeddedColour(EmbeddedColour* pColour);

// A ByteSource over bytes in memory (they must outlive it).
struct MemoryBytes
{
    const uint8_t* pb;
    size_t cb;
};
ByteSource MemorySource(const MemoryBytes* pBytes);

inline uint32_t ReadBe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}
inline uint32_t ReadLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 |
           p[0];
}
inline uint16_t ReadBe16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

// Fills cb bytes from nAt; false when they are not all within the source
// or cannot be read.
bool ReadSource(const ByteSource& source, uint64_t nAt, void* pv, size_t cb);
// Takes pb (malloc'd, cb bytes) as the profile when it is one whole: at
// least the header, and its own size field within the bytes (trailing
// padding is dropped). Frees pb otherwise. True when taken.
bool TakeProfileBytes(uint8_t* pb, size_t cb, EmbeddedColour* pColour);
// Reads cb bytes at nAt into a new block and takes them as the profile.
bool ReadProfileAt(const ByteSource& source, uint64_t nAt, uint64_t cb, EmbeddedColour* pColour);
