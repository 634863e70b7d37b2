#include "viewer/imaging/colour/matrix_shaper.h"

#include <emmintrin.h>
#include <math.h>
#include <stdlib.h>

namespace {

// Linear light in fixed point: 1.0 is this. The encoding table has one
// entry per step, fine enough that sRGB's steep start loses nothing.
const int kLinearBits = 14;
const int32_t kLinearOne = 1 << kLinearBits;
// The matrix's fixed point: three products and their sum stay in 32 bits.
const int kMatrixBits = 12;

} // namespace

// The matrix is folded into the curves: input byte k of value v adds
// sum[k][v][c] to output channel c (byte positions: blue, green, red), so a
// pixel is three 4-lane loads and two additions.
struct MatrixShaper
{
    alignas(16) int32_t sum[3][256][4];
    int32_t grey[256];                // a grey profile's curve: linear light
    bool bGrey;
    uint8_t enc[kLinearOne + 1];      // linear light to sRGB's 8-bit code
};

namespace {

double SrgbEncode(double v)
{
    return v <= 0.0031308 ? 12.92 * v : 1.055 * pow(v, 1.0 / 2.4) - 0.055;
}

void FillCurve(int32_t* pLin, const cmsToneCurve* pCurve)
{
    for (int v = 0; v < 256; ++v)
    {
        float f = cmsEvalToneCurveFloat(pCurve, static_cast<float>(v) / 255.0f);
        // Within [0, 1], with the matrix bound below, the sums fit 32 bits.
        f = f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
        pLin[v] = static_cast<int32_t>(lround(f * kLinearOne));
    }
}

// The colorants' matrix, columns red, green, blue; false without them.
bool ReadColorants(cmsHPROFILE hProfile, double m[3][3])
{
    const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
    for (int c = 0; c < 3; ++c)
    {
        const cmsCIEXYZ* pXyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(hProfile, tags[c]));
        if (!pXyz)
            return false;
        m[0][c] = pXyz->X;
        m[1][c] = pXyz->Y;
        m[2][c] = pXyz->Z;
    }
    return true;
}

bool Invert(const double a[3][3], double r[3][3])
{
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    if (fabs(det) < 1e-9)
        return false;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
        {
            // Cofactor of (j, i) over the determinant.
            const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
            r[i][j] = (a[r0][c0] * a[r1][c1] - a[r0][c1] * a[r1][c0]) / det;
        }
    return true;
}

// sRGB's linear light from the profile's (both through the D50 PCS), by
// byte position: blue 0, green 1, red 2.
bool FillMatrix(cmsHPROFILE hIn, cmsHPROFILE hSrgb, int32_t m[3][3])
{
    double src[3][3], dst[3][3], inv[3][3];
    if (!ReadColorants(hIn, src) || !ReadColorants(hSrgb, dst) || !Invert(dst, inv))
        return false;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
        {
            double v = 0;
            for (int k = 0; k < 3; ++k)
                v += inv[i][k] * src[k][j];
            // Wild colorants would overflow the sums.
            if (fabs(v) > 8.0)
                return false;
            m[2 - i][2 - j] = static_cast<int32_t>(lround(v * (1 << kMatrixBits)));
        }
    return true;
}

inline int32_t Clamp(int32_t v)
{
    return v < 0 ? 0 : (v > kLinearOne ? kLinearOne : v);
}

// sum[k][v][c] = m[c][k] x curve k at v, with the rounding of the final
// shift in the first input's share.
void FoldMatrix(const int32_t lin[3][256], const int32_t m[3][3], MatrixShaper* p)
{
    for (int k = 0; k < 3; ++k)
        for (int v = 0; v < 256; ++v)
            for (int c = 0; c < 3; ++c)
                p->sum[k][v][c] = m[c][k] * lin[k][v] + (k == 0 ? 1 << (kMatrixBits - 1) : 0);
}

} // namespace

MatrixShaper* BuildMatrixShaper(cmsHPROFILE hIn, cmsHPROFILE hSrgb)
{
    // lcms2 takes a device-to-PCS table over the matrix when there is one,
    // and so must this: only a pure matrix-shaper profile qualifies.
    const cmsColorSpaceSignature space = cmsGetColorSpace(hIn);
    if (!cmsIsMatrixShaper(hIn) || (space != cmsSigRgbData && space != cmsSigGrayData) ||
        cmsIsTag(hIn, cmsSigAToB0Tag) || cmsIsTag(hIn, cmsSigAToB1Tag) || cmsIsTag(hIn, cmsSigAToB2Tag) ||
        cmsIsTag(hIn, cmsSigDToB0Tag) || cmsIsTag(hIn, cmsSigDToB1Tag) || cmsIsTag(hIn, cmsSigDToB2Tag))
        return NULL;
    MatrixShaper* p = static_cast<MatrixShaper*>(calloc(1, sizeof(MatrixShaper)));
    if (!p)
        return NULL;
    p->bGrey = space == cmsSigGrayData;
    bool bFilled = true;
    if (p->bGrey)
    {
        const cmsToneCurve* pCurve = static_cast<const cmsToneCurve*>(cmsReadTag(hIn, cmsSigGrayTRCTag));
        bFilled = pCurve != NULL;
        if (pCurve)
            FillCurve(p->grey, pCurve);
    }
    else
    {
        const cmsTagSignature curves[3] = {cmsSigBlueTRCTag, cmsSigGreenTRCTag, cmsSigRedTRCTag};
        int32_t lin[3][256], m[3][3];
        for (int c = 0; c < 3 && bFilled; ++c)
        {
            const cmsToneCurve* pCurve = static_cast<const cmsToneCurve*>(cmsReadTag(hIn, curves[c]));
            bFilled = pCurve != NULL;
            if (pCurve)
                FillCurve(lin[c], pCurve);
        }
        bFilled = bFilled && FillMatrix(hIn, hSrgb, m);
        if (bFilled)
            FoldMatrix(lin, m, p);
    }
    if (!bFilled)
    {
        free(p);
        return NULL;
    }
    for (int32_t i = 0; i <= kLinearOne; ++i)
        p->enc[i] = static_cast<uint8_t>(lround(255.0 * SrgbEncode(static_cast<double>(i) / kLinearOne)));
    return p;
}

void FreeMatrixShaper(MatrixShaper* pShaper)
{
    free(pShaper);
}

void MatrixShaperRows(const MatrixShaper* p, const uint8_t* pIn, size_t cbStrideIn, uint8_t* pOut,
                      size_t cbStrideOut, int nWidth, int nRows, int cbPixel)
{
    // The tables in locals: the byte stores could alias them, and would
    // make the compiler load them again.
    const uint8_t* const enc = p->enc;
    const int32_t* const grey = p->grey;
    const __m128i* const sum0 = reinterpret_cast<const __m128i*>(p->sum[0]);
    const __m128i* const sum1 = reinterpret_cast<const __m128i*>(p->sum[1]);
    const __m128i* const sum2 = reinterpret_cast<const __m128i*>(p->sum[2]);
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi16(kLinearOne);
    for (int y = 0; y < nRows; ++y, pIn += cbStrideIn, pOut += cbStrideOut)
    {
        const uint8_t* s = pIn;
        uint8_t* d = pOut;
        if (p->bGrey)
        {
            // A grey picture's three bytes are equal: the first is read.
            for (int x = 0; x < nWidth; ++x, s += cbPixel, d += cbPixel)
                d[0] = d[1] = d[2] = enc[Clamp(grey[s[0]])];
            continue;
        }
        for (int x = 0; x < nWidth; ++x, s += cbPixel, d += cbPixel)
        {
            __m128i v = _mm_add_epi32(_mm_load_si128(sum0 + s[0]), _mm_load_si128(sum1 + s[1]));
            v = _mm_srai_epi32(_mm_add_epi32(v, _mm_load_si128(sum2 + s[2])), kMatrixBits);
            // To 16 bits with saturation, then into [0, 1].
            v = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(v, v), zero), one);
            d[0] = enc[_mm_extract_epi16(v, 0)];
            d[1] = enc[_mm_extract_epi16(v, 1)];
            d[2] = enc[_mm_extract_epi16(v, 2)];
        }
    }
}
