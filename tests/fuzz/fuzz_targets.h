// What the driver feeds: every reader of a file or a stored value, each
// with its seeds and the checks its results must pass.
#pragma once

#include <string>
#include <vector>

#include "tests/fuzz/fuzz_mutate.h"
#include "viewer/common/main_window_data.h"
#include "viewer/imaging/decode/image_decoder.h"

struct FuzzContext
{
    std::wstring work;        // scratch folder, ending with "\"
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
    const char* pszExt;       // of the saved inputs, and of the file the decoder reads
    FuzzFormat format;
    std::vector<FuzzBytes> seeds;
    // False, with ctx->szWrong set, when a result breaks a rule. nSeed is the
    // seed's number when the input is that seed unchanged, else -1: seeds
    // also have to give their known result.
    bool (*pfnRun)(FuzzContext* pCtx, const FuzzBytes& data, int nSeed);
};

// Every target; the PNG and GIF seeds come from the fixture folder.
std::vector<FuzzTarget> MakeTargets(const std::wstring& fixtures);
// Makes the scratch and thumbnail folders and points the settings and the
// main window record at them. False when a folder cannot be made.
bool PrepareContext(FuzzContext* pCtx);
// Deletes the settings key the settings target wrote and the scratch files.
void CleanContext(FuzzContext* pCtx);
