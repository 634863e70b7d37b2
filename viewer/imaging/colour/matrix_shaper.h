// The fast path for the profiles nearly every picture carries: RGB (or
// grey) matrix-shaper profiles such as Adobe RGB, ProPhoto or Display P3.
// Their transform to sRGB is a tone curve per channel, a 3 x 3 matrix and
// sRGB's curve; here as tables and fixed-point sums, several times faster
// than lcms2's general pixel loop, and within a level of its result.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <lcms2.h>

struct MatrixShaper;

// The tables for hIn's colours into sRGB (hSrgb, lcms2's own sRGB profile);
// null when hIn is not a matrix-shaper profile of RGB or grey, or memory
// runs out.
MatrixShaper* BuildMatrixShaper(cmsHPROFILE hIn, cmsHPROFILE hSrgb);
void FreeMatrixShaper(MatrixShaper* pShaper);

// nRows rows of nWidth pixels of cbPixel bytes (3 or 4: blue, green, red,
// and a fourth byte left alone), in place or not.
void MatrixShaperRows(const MatrixShaper* pShaper, const uint8_t* pIn, size_t cbStrideIn, uint8_t* pOut,
                      size_t cbStrideOut, int nWidth, int nRows, int cbPixel);
