// A baseline JPEG's one-eighth picture straight from its entropy-coded data.
// At one eighth a block is its DC coefficient alone (and, for 4:2:0 chroma,
// a 2 x 2 average of its first odd coefficients), so the AC data is only
// stepped over: each code's length and its extra bits' length, nothing
// stored. libjpeg decodes every coefficient's value on the way, which makes
// it the slower route for a thumbnail.
//
// Only the plain case is taken: one interleaved scan of 8-bit Huffman data,
// grey or YCbCr with chroma at full or halved resolution, restart markers in
// their order. Anything else, and any data that does not decode cleanly,
// answers DC_SCAN_NOT_TAKEN, and libjpeg decodes the file as before.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <jpeglib.h>

enum DcScanResult
{
    DC_SCAN_DONE,
    DC_SCAN_NOT_TAKEN,
    DC_SCAN_CANCELLED,
};

// True when the frame read by jpeg_read_header is one this route decodes.
bool DcScanSuits(const jpeg_decompress_struct& cinfo);

// Output size at one eighth, as libjpeg rounds it.
unsigned int DcScanWidth(const jpeg_decompress_struct& cinfo);
unsigned int DcScanHeight(const jpeg_decompress_struct& cinfo);

// Decodes the scan whose header jpeg_read_header has just read. pData holds
// the bytes after that header (they are rewritten in place: the stuffing is
// taken out), cbData of them, followed by at least DC_SCAN_PADDING writable
// bytes. Rows go out blue, green, red, from pFirstRow on, nStride bytes
// apart (negative for a bottom-up bitmap). pCancel is read between rows.
#define DC_SCAN_PADDING 8192
DcScanResult DecodeDcScan(const jpeg_decompress_struct& cinfo, uint8_t* pData, size_t cbData, uint8_t* pFirstRow,
                          ptrdiff_t nStride, const volatile long* pCancel);
