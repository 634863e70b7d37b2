// The colour profile readers, from memory and through the file onto a
// decoded picture, and the transforms of what they find in every layout.
#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/fuzz_watch.h"
#include "tests/support/pictures.h"
#include "viewer/imaging/colour/embedded_profile.h"
#include "viewer/imaging/colour/picture_colour.h"

bool RunColour(FuzzContext* pCtx, const FuzzTarget&, const FuzzBytes& data, int nSeed)
{
    const MemoryBytes bytes = {data.data(), data.size()};
    EmbeddedColour colour;
    ReadEmbeddedColour(MemorySource(&bytes), &colour);
    const EmbeddedKind seedKind = nSeed == 5 ? EMBEDDED_DISPLAY_P3 : EMBEDDED_ICC;   // display_p3.avif
    bool bRight = true;
    if (colour.kind == EMBEDDED_ICC && (!colour.pbIcc || colour.cbIcc < EMBEDDED_PROFILE_MIN_BYTES ||
                                        colour.cbIcc > EMBEDDED_PROFILE_MAX_BYTES))
        bRight = Wrong(pCtx, "a profile of %u bytes", colour.cbIcc);
    else if (nSeed >= 0 && colour.kind != seedKind)
        bRight = Wrong(pCtx, "seed %d gave colours of kind %d", nSeed, colour.kind);
    NextStep();
    for (int pixels = 0; pixels < COLOUR_PIXEL_KINDS && bRight; ++pixels)
    {
        uint8_t in[32] = {0, 255, 128, 7, 200, 60, 40, 0}, out[32] = {};
        ColourTransform* pTransform = AcquireColourTransform(colour, static_cast<ColourPixels>(pixels));
        TransformRows(pTransform, in, 0, out, 0, 8, 1);
        ReleaseColourTransform(pTransform);
    }
    FreeEmbeddedColour(&colour);
    NextStep();
    const std::wstring path = pCtx->work / L"colour.bin";
    const volatile LONG nNever = 0;
    for (int nBits = 16; nBits <= 32 && bRight && WriteInput(pCtx, path, data); nBits += 8)
        bRight = CheckPicture(pCtx, ConvertToScreenColours(path.c_str(), MakePicture(40, 30, nBits, Plain(0xC8321E)),
                                                           &nNever), "the colour step");
    return bRight;
}
