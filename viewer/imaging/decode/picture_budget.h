// The memory budget of one decoded picture, and the header sizes it is
// checked against before anything is allocated. Pure code: the physical
// memory comes in as a parameter.
#pragma once

#include <stddef.h>
#include <stdint.h>

// No single picture bitmap may exceed a quarter of the physical memory, nor
// this, whatever the machine.
#define PICTURE_BUDGET_CAP (512ull * 1024 * 1024)

// The budget in bytes on a machine with cbPhysical bytes of memory.
uint64_t PictureBudget(uint64_t cbPhysical);

// Bytes of a DIB section of w x h at nBits per pixel, rows padded to 4
// bytes; UINT64_MAX when a side is not positive or the size overflows.
uint64_t DibBytes(int64_t w, int64_t h, int nBits);

// The smallest JPEG scale denominator of 1, 2, 4 and 8 whose 24-bit output
// (sides rounded up, as the library scales them) fits the budget; 0 when
// not even one eighth fits.
unsigned int JpegDenominatorWithin(uint32_t w, uint32_t h, uint64_t cbBudget);

// The reduction of a thumbnail decode, chosen by the picture's width only:
// 8 from 384 pixels, 4 from 193, 2 from 65, else 1.
unsigned int ThumbnailDenominator(uint32_t width);

// The budget of a decoded bitmap that is then turned into a second one of
// the same picture while the first still exists, such that both together
// stay within cbBudget: half of it, less what the turned copy's row
// padding may add (3 bytes a row, on rows as many as a JPEG side allows).
uint64_t BudgetBesideTurn(uint64_t cbBudget);

// The side of the largest square picture at nBits that fits the budget;
// bounds decodes whose size cannot be read in advance.
int32_t SquareSideWithin(uint64_t cbBudget, int nBits);

// Width and height from the first bytes of a BMP, PNG, GIF or JPEG file
// (for JPEG only when its frame header lies within the bytes given). False
// when the format is not one of these or the size is not in the bytes.
bool PictureSizeFromHeader(const uint8_t* pb, size_t cb, int64_t* pWidth, int64_t* pHeight);
