// The seed files of each target, made by our own code (JPEG and BMP through
// the test picture makers, index and settings records field by field) or by
// the build's fixture script (PNG and GIF).
#pragma once

#include <string>
#include <vector>

#include "tests/fuzz/fuzz_mutate.h"

std::vector<FuzzBytes> JpegSeeds(void);
std::vector<FuzzBytes> BmpSeeds(void);
// Read from the fixture folder; empty when a file is missing.
std::vector<FuzzBytes> FixtureSeeds(const std::wstring& folder, const std::vector<const wchar_t*>& names);
std::vector<FuzzBytes> IndexSeeds(void);
// Thumbnail files: what the cache writes (colour JPEGs of at most 64 x 60)
// and, last, one it must refuse (larger than the box).
std::vector<FuzzBytes> PvxSeeds(void);

// A settings input: records of [name index][type][length, 2 bytes LE][data].
enum { SETTING_RECORD_HEADER = 4 };
std::vector<FuzzBytes> SettingsSeeds(void);

// A JPEG with an EXIF block (orientation, date, camera, embedded preview).
std::vector<FuzzBytes> ExifSeeds(void);

// Record 0 as the cache writes it with the settings at their defaults.
FuzzBytes IndexHeader(void);
// One index record as the cache writes it.
FuzzBytes IndexRecord(int32_t nSlot, const wchar_t* pszPath, uint32_t nFileSize);
