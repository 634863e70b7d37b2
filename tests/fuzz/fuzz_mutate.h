// Mutations of a seed file: bit flips, truncation, splices, header fields set
// to their extremes, picture dimensions made huge, blocks dropped or
// repeated. Pure code.
#pragma once

#include <stdint.h>
#include <vector>

#include "tests/stress/seeded_random.h"

typedef std::vector<uint8_t> FuzzBytes;

// Where a format keeps the fields worth pushing to their extremes.
enum FuzzFormat
{
    FUZZ_FORMAT_JPEG,     // frame header (SOFn) sides, big-endian
    FUZZ_FORMAT_BMP,      // file and info header fields, little-endian
    FUZZ_FORMAT_PNG,      // IHDR sides, big-endian, with the chunk's CRC made right again
    FUZZ_FORMAT_GIF,      // screen and image descriptor sides, little-endian
    FUZZ_FORMAT_WEBP,     // the extended header's canvas sides less one, 24-bit little-endian
    FUZZ_FORMAT_HEIF,     // the first spatial extent (ispe) sides, big-endian
    FUZZ_FORMAT_INDEX,    // 548-byte index records: slot, offsets, path units
    FUZZ_FORMAT_RECORDS   // no structure known beyond the bytes
};

// Inputs never grow beyond this.
enum { FUZZ_MAX_INPUT = 256 * 1024 };

// Applies one to four mutations to a copy of seeds[nSeed]; a splice takes
// its tail from another seed of the same list. Names what was done into
// pszWhat, for the report of a failing input.
FuzzBytes MutateSeed(const std::vector<FuzzBytes>& seeds, size_t nSeed, FuzzFormat format, SeededRandom* pRandom,
                     char* pszWhat, size_t cchWhat);
