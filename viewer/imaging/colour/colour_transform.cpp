// The transforms and the table that keeps the last few. lcms2 runs in a
// context of its own whose allocations are capped, so that a crafted
// profile cannot ask it for more than the picture budget allows.
#include "viewer/imaging/colour/colour_transform.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include <lcms2.h>
#include <lcms2_plugin.h>

#include "viewer/imaging/colour/matrix_shaper.h"

struct ColourTransform
{
    uint64_t nHash;            // of the profile's bytes; 0 for Display P3
    uint32_t cbProfile;
    EmbeddedKind kind;
    ColourPixels pixels;
    // Null when lcms2 refused the profile, or the transform changes nothing
    // (an sRGB profile): kept all the same, so that such a profile is not
    // parsed again for every picture that carries it.
    cmsHTRANSFORM hTransform;
    MatrixShaper* pShaper;     // the same transform, faster, for matrix-shaper profiles
    LONG nUsers;               // under s_lock
    bool bKept;                // in s_rgKept; one pushed out while in use goes with its last release
    unsigned long nLastUse;
};

namespace {

// One lcms2 allocation never needs more: a 17-point CLUT of 4 inputs and 3
// outputs in 16 bits is under 1 MiB.
const cmsUInt32Number kLcmsAllocationMax = 64u * 1024 * 1024;
// A transform that moves no colour of this grid by more than a level is
// taken for none.
const int kIdentityGrid = 9;

SRWLOCK s_lock = SRWLOCK_INIT;
ColourTransform* s_rgKept[COLOUR_TRANSFORMS_KEPT];
unsigned long s_nTick;

void* LcmsMalloc(cmsContext, cmsUInt32Number cb)
{
    return cb <= kLcmsAllocationMax ? malloc(cb) : NULL;
}

void LcmsFree(cmsContext, void* pv)
{
    free(pv);
}

void* LcmsRealloc(cmsContext, void* pv, cmsUInt32Number cb)
{
    return cb <= kLcmsAllocationMax ? realloc(pv, cb) : NULL;
}

cmsContext LcmsContext(void)
{
    static cmsPluginMemHandler s_memory = {
        {cmsPluginMagicNumber, LCMS_VERSION, cmsPluginMemHandlerSig, NULL}, LcmsMalloc, LcmsFree, LcmsRealloc,
        NULL, NULL, NULL};
    // Made once, on first use, and kept for the process.
    static const cmsContext s_context = cmsCreateContext(&s_memory, NULL);
    return s_context;
}

uint64_t HashBytes(const uint8_t* pb, size_t cb)
{
    uint64_t h = 14695981039346656037ull;   // FNV-1a
    for (size_t i = 0; i < cb; ++i)
        h = (h ^ pb[i]) * 1099511628211ull;
    return h;
}

// Display P3: the P3 primaries, D65 and the sRGB tone curve.
cmsHPROFILE CreateDisplayP3(cmsContext context)
{
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const cmsFloat64Number srgbCurve[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* pCurve = cmsBuildParametricToneCurve(context, 4, srgbCurve);
    if (!pCurve)
        return NULL;
    cmsToneCurve* curves[3] = {pCurve, pCurve, pCurve};
    cmsHPROFILE hProfile = cmsCreateRGBProfileTHR(context, &white, &primaries, curves);
    cmsFreeToneCurve(pCurve);
    return hProfile;
}

// The input format for such pixels in the profile's colour space;
// 0 when the two do not go together.
cmsUInt32Number InputFormat(cmsColorSpaceSignature space, ColourPixels pixels)
{
    if (space == cmsSigRgbData && pixels == COLOUR_BGR24)
        return TYPE_BGR_8;
    if (space == cmsSigRgbData && pixels == COLOUR_BGRX32)
        return TYPE_BGRA_8;
    // Grey pictures come as three equal bytes: the first is read, the
    // others skipped.
    if (space == cmsSigGrayData && pixels == COLOUR_BGR24)
        return COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(2);
    if (space == cmsSigGrayData && pixels == COLOUR_BGRX32)
        return COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(3);
    if (space == cmsSigCmykData && pixels == COLOUR_CMYK)
        return TYPE_CMYK_8;
    if (space == cmsSigCmykData && pixels == COLOUR_CMYK_INVERTED)
        return TYPE_CMYK_8_REV;
    return 0;
}

// True when no colour of a coarse grid (greys alone for a grey profile)
// moves by more than one level: an sRGB profile, as most cameras embed.
bool ChangesNothing(cmsHTRANSFORM hTransform, ColourPixels pixels, bool bGrey)
{
    const int n = kIdentityGrid * kIdentityGrid * kIdentityGrid;
    const int cbPixel = pixels == COLOUR_BGRX32 ? 4 : 3;
    uint8_t rgbIn[n * 4], rgbOut[n * 4];
    for (int i = 0; i < n; ++i)
    {
        const int nStep = kIdentityGrid - 1;
        uint8_t* p = rgbIn + cbPixel * i;
        p[0] = static_cast<uint8_t>(255 * (i % kIdentityGrid) / nStep);
        p[1] = bGrey ? p[0] : static_cast<uint8_t>(255 * (i / kIdentityGrid % kIdentityGrid) / nStep);
        p[2] = bGrey ? p[0] : static_cast<uint8_t>(255 * (i / (kIdentityGrid * kIdentityGrid)) / nStep);
    }
    cmsDoTransform(hTransform, rgbIn, rgbOut, n);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c)
            if (abs(rgbIn[cbPixel * i + c] - rgbOut[cbPixel * i + c]) > 1)
                return false;
    return true;
}

// The entry's transform (and its fast form), or none.
void BuildTransform(const EmbeddedColour& colour, ColourTransform* pEntry)
{
    const ColourPixels pixels = pEntry->pixels;
    const cmsContext context = LcmsContext();
    if (!context)
        return;
    cmsHPROFILE hIn = colour.kind == EMBEDDED_DISPLAY_P3 ? CreateDisplayP3(context)
                                                          : cmsOpenProfileFromMemTHR(context, colour.pbIcc, colour.cbIcc);
    if (!hIn)
        return;
    cmsHTRANSFORM hTransform = NULL;
    cmsHPROFILE hSrgb = NULL;
    const cmsProfileClassSignature deviceClass = cmsGetDeviceClass(hIn);
    const cmsUInt32Number inFormat = InputFormat(cmsGetColorSpace(hIn), pixels);
    // Links, abstract and named-colour profiles describe no picture's colours.
    if (inFormat && deviceClass != cmsSigLinkClass && deviceClass != cmsSigAbstractClass &&
        deviceClass != cmsSigNamedColorClass)
    {
        hSrgb = cmsCreate_sRGBProfileTHR(context);
        const cmsUInt32Number outFormat = pixels == COLOUR_BGRX32 ? TYPE_BGRA_8 : TYPE_BGR_8;
        if (hSrgb)
            hTransform = cmsCreateTransformTHR(context, hIn, inFormat, hSrgb, outFormat, INTENT_PERCEPTUAL, 0);
    }
    const bool bRgbPixels = pixels == COLOUR_BGR24 || pixels == COLOUR_BGRX32;
    if (hTransform && bRgbPixels && ChangesNothing(hTransform, pixels, cmsGetColorSpace(hIn) == cmsSigGrayData))
    {
        cmsDeleteTransform(hTransform);
        hTransform = NULL;
    }
    pEntry->hTransform = hTransform;
    if (hTransform && bRgbPixels)
        pEntry->pShaper = BuildMatrixShaper(hIn, hSrgb);
    if (hSrgb)
        cmsCloseProfile(hSrgb);
    cmsCloseProfile(hIn);
}

void FreeEntry(ColourTransform* pEntry)
{
    if (pEntry->hTransform)
        cmsDeleteTransform(pEntry->hTransform);
    FreeMatrixShaper(pEntry->pShaper);
    free(pEntry);
}

bool SameKey(const ColourTransform* p, uint64_t nHash, uint32_t cb, EmbeddedKind kind, ColourPixels pixels)
{
    return p && p->nHash == nHash && p->cbProfile == cb && p->kind == kind && p->pixels == pixels;
}

// Under s_lock: the entry for the key, marked as used now, or null.
ColourTransform* FindKept(uint64_t nHash, uint32_t cb, EmbeddedKind kind, ColourPixels pixels)
{
    for (ColourTransform* p : s_rgKept)
        if (SameKey(p, nHash, cb, kind, pixels))
        {
            p->nLastUse = ++s_nTick;
            return p;
        }
    return NULL;
}

// Under s_lock: a place for a new entry, the least recently used unused one
// making room (handed back in *ppOut to be freed outside the lock). Null
// when every kept transform is in use.
ColourTransform** FreeSlot(ColourTransform** ppOut)
{
    ColourTransform** ppOldest = NULL;
    for (ColourTransform*& p : s_rgKept)
    {
        if (!p)
            return &p;
        if (p->nUsers == 0 && (!ppOldest || p->nLastUse < (*ppOldest)->nLastUse))
            ppOldest = &p;
    }
    if (ppOldest)
    {
        *ppOut = *ppOldest;
        (*ppOut)->bKept = false;
        *ppOldest = NULL;
    }
    return ppOldest;
}

} // namespace

ColourTransform* AcquireColourTransform(const EmbeddedColour& colour, ColourPixels pixels)
{
    if (colour.kind == EMBEDDED_NONE || (colour.kind == EMBEDDED_ICC && !colour.pbIcc) || pixels >= COLOUR_PIXEL_KINDS)
        return NULL;
    const uint64_t nHash = colour.kind == EMBEDDED_ICC ? HashBytes(colour.pbIcc, colour.cbIcc) : 0;
    const uint32_t cb = colour.kind == EMBEDDED_ICC ? colour.cbIcc : 0;

    AcquireSRWLockExclusive(&s_lock);
    ColourTransform* pEntry = FindKept(nHash, cb, colour.kind, pixels);
    if (pEntry)
    {
        // Decided under the lock: an entry without a transform has no user
        // to keep another thread from pushing it out and freeing it.
        ColourTransform* const pResult = pEntry->hTransform ? pEntry : NULL;
        if (pResult)
            ++pResult->nUsers;
        ReleaseSRWLockExclusive(&s_lock);
        return pResult;
    }
    ReleaseSRWLockExclusive(&s_lock);

    // Built outside the lock: a CMYK transform takes a while, and the other
    // threads need not wait for it.
    ColourTransform* pNew = static_cast<ColourTransform*>(calloc(1, sizeof(ColourTransform)));
    if (!pNew)
        return NULL;
    pNew->nHash = nHash;
    pNew->cbProfile = cb;
    pNew->kind = colour.kind;
    pNew->pixels = pixels;
    BuildTransform(colour, pNew);

    ColourTransform* pPushedOut = NULL;
    AcquireSRWLockExclusive(&s_lock);
    pEntry = FindKept(nHash, cb, colour.kind, pixels);   // another thread may have been quicker
    if (!pEntry)
    {
        ColourTransform** ppSlot = FreeSlot(&pPushedOut);
        if (ppSlot)
        {
            *ppSlot = pNew;
            pNew->bKept = true;
            pNew->nLastUse = ++s_nTick;
        }
        pEntry = pNew;
        pNew = NULL;
    }
    ColourTransform* const pResult = pEntry->hTransform ? pEntry : NULL;
    if (pResult)
        ++pResult->nUsers;
    ColourTransform* const pUnusable = !pEntry->hTransform && !pEntry->bKept ? pEntry : NULL;
    ReleaseSRWLockExclusive(&s_lock);

    if (pNew)
        FreeEntry(pNew);
    if (pPushedOut)
        FreeEntry(pPushedOut);
    if (pUnusable)
        FreeEntry(pUnusable);
    return pResult;
}

void ReleaseColourTransform(ColourTransform* pTransform)
{
    if (!pTransform)
        return;
    AcquireSRWLockExclusive(&s_lock);
    const bool bLast = --pTransform->nUsers == 0 && !pTransform->bKept;
    ReleaseSRWLockExclusive(&s_lock);
    if (bLast)
        FreeEntry(pTransform);
}

void TransformRows(ColourTransform* pTransform, const void* pIn, size_t cbStrideIn, void* pOut, size_t cbStrideOut,
                   int nWidth, int nRows)
{
    if (!pTransform || nWidth <= 0 || nRows <= 0)
        return;
    if (pTransform->pShaper)
    {
        MatrixShaperRows(pTransform->pShaper, static_cast<const uint8_t*>(pIn), cbStrideIn, static_cast<uint8_t*>(pOut),
                         cbStrideOut, nWidth, nRows, pTransform->pixels == COLOUR_BGRX32 ? 4 : 3);
        return;
    }
    cmsDoTransformLineStride(pTransform->hTransform, pIn, pOut, static_cast<cmsUInt32Number>(nWidth),
                             static_cast<cmsUInt32Number>(nRows), static_cast<cmsUInt32Number>(cbStrideIn),
                             static_cast<cmsUInt32Number>(cbStrideOut), 0, 0);
}
