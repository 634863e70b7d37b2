// What the driver feeds: every reader of a file or a stored value. A reader
// is one row of the table in fuzz_targets.cpp, a seed maker and a run
// function that feeds it one input and judges what it gives.
#pragma once

#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/fuzz/fuzz_mutate.h"
#include "viewer/common/main_window_data.h"
#include "viewer/imaging/decode/image_decoder.h"

struct FuzzContext
{
    TempFolder work;          // scratch files
    std::wstring thumbs;      // the thumbnail folder the settings name, no "\" at the end
    CImageDecoder decoder;
    MainWindowData data;
    unsigned long long cbBudget;
    unsigned long long cbLargestBitmap;
    char szWrong[512];        // why the last input's result was wrong
    bool bWicRefusedGif;      // the last input was a GIF that WIC did not decode
};

struct FuzzTarget
{
    const char* pszName;
    const char* pszExt;       // of the saved inputs, and of the picture file a decoder reads
    FuzzFormat format;
    std::vector<FuzzBytes> (*pfnSeeds)(void); // NULL: the build's fixture files below
    // False, with szWrong set, when a result breaks a rule. nSeed is the
    // seed's number when the input is that seed unchanged, else -1: seeds
    // also have to give their known result.
    bool (*pfnRun)(FuzzContext* pCtx, const FuzzTarget& target, const FuzzBytes& data, int nSeed);
    std::vector<const wchar_t*> fixtures;
};

extern const FuzzTarget g_rgFuzzTargets[];
extern const size_t g_nFuzzTargets;

// Points the settings and the main window record at a thumbnail folder of
// the scratch folder; false when it cannot be made.
bool PrepareContext(FuzzContext* pCtx);
void CleanContext(void);

// ---- What the run functions share (fuzz_targets.cpp) ----

bool Wrong(FuzzContext* pCtx, const char* pszFormat, ...);
// Wrong when the file cannot be written.
bool WriteInput(FuzzContext* pCtx, const std::wstring& path, const FuzzBytes& data);
// A bitmap a reader handed out must be a picture within the budget, or a
// thumbnail within the 64 x 60 box at nBits (any depth when 0); it is
// deleted here. No bitmap is always right.
bool CheckPicture(FuzzContext* pCtx, HBITMAP hbm, const char* pszCall);
bool CheckThumbnail(FuzzContext* pCtx, HBITMAP hbm, int nBits, const char* pszCall);

// ---- Seed makers and run functions ----

// fuzz_pictures.cpp: JPEG and BMP seeds made by the test picture makers; a
// JPEG with an EXIF block; thumbnail files (the last larger than the box).
std::vector<FuzzBytes> JpegSeeds(void);
std::vector<FuzzBytes> BmpSeeds(void);
std::vector<FuzzBytes> ExifSeeds(void);
std::vector<FuzzBytes> PvxSeeds(void);
bool RunPicture(FuzzContext* pCtx, const FuzzTarget& target, const FuzzBytes& data, int nSeed);
bool RunExif(FuzzContext* pCtx, const FuzzTarget& target, const FuzzBytes& data, int nSeed);
// WebP, HEIC and AVIF: decoded as the viewer decodes them, stood upright,
// and their EXIF block read as the file information reads it.
bool RunModernPicture(FuzzContext* pCtx, const FuzzTarget& target, const FuzzBytes& data, int nSeed);

// fuzz_thumb_cache.cpp
std::vector<FuzzBytes> IndexSeeds(void);
bool RunIndex(FuzzContext* pCtx, const FuzzTarget& target, const FuzzBytes& data, int nSeed);
bool RunPvx(FuzzContext* pCtx, const FuzzTarget& target, const FuzzBytes& data, int nSeed);

// fuzz_colour.cpp: pictures carrying a profile (the build's fixtures).
bool RunColour(FuzzContext* pCtx, const FuzzTarget& target, const FuzzBytes& data, int nSeed);

// fuzz_settings.cpp: records of [name index][type][length, 2 bytes LE][data].
std::vector<FuzzBytes> SettingsSeeds(void);
bool RunSettings(FuzzContext* pCtx, const FuzzTarget& target, const FuzzBytes& data, int nSeed);
