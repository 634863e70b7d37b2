// GIFs whose LZW data the platform decoder would fail on are refused before
// it sees them (under Wine it keeps a byte a pixel of each such frame); every
// stream it decodes still opens, with its pixels. The streams are built code
// by code, so each case says exactly what the data holds.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/imgdecmp/imgdecmp_internal.h"
#include "tests/support/fixtures.h"
#include "tests/support/pictures.h"
#include "viewer/imaging/decode/image_decoder.h"

namespace {

// Code size 2: four colours, then the clear and end codes.
const unsigned kClear = 4, kEnd = 5;
const uint32_t kColours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

// A GIF of one w x h frame filling its screen, its image data the codes
// given. Each code is packed at the width the decoder reads it with: three
// bits after a clear, one more each time the count of codes read since
// passes the width's range.
Bytes GifWithCodes(int w, int h, const std::vector<unsigned>& codes)
{
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&](int v) {
        gif.push_back(static_cast<uint8_t>(v & 0xFF));
        gif.push_back(static_cast<uint8_t>(v >> 8));
    };
    put16(w);
    put16(h);
    gif.insert(gif.end(), {0x81, 0, 0});   // a global table of 4 colours
    for (uint32_t c : kColours)
        gif.insert(gif.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
    gif.push_back(0x2C);
    put16(0);
    put16(0);
    put16(w);
    put16(h);
    gif.insert(gif.end(), {0, 2});   // no local table; code size 2

    Bytes data;
    uint32_t bits = 0;
    unsigned nBits = 0, width = 3, running = kEnd + 1, limit = 8;
    for (unsigned code : codes)
    {
        bits |= code << nBits;
        nBits += width;
        for (; nBits >= 8; nBits -= 8, bits >>= 8)
            data.push_back(static_cast<uint8_t>(bits));
        if (code == kClear)
        {
            width = 3;
            running = kEnd + 1;
            limit = 8;
        }
        else if (running < 4097 && ++running > limit && width < 12)
        {
            limit <<= 1;
            ++width;
        }
    }
    if (nBits)
        data.push_back(static_cast<uint8_t>(bits));
    for (size_t at = 0; at < data.size(); at += 255)
    {
        const size_t n = std::min<size_t>(255, data.size() - at);
        gif.push_back(static_cast<uint8_t>(n));
        gif.insert(gif.end(), data.begin() + at, data.begin() + at + n);
    }
    gif.push_back(0);
    gif.push_back(0x3B);
    return gif;
}

// A clear, then each pixel as a literal code.
std::vector<unsigned> Literals(const std::vector<unsigned>& pixels)
{
    std::vector<unsigned> codes = {kClear};
    codes.insert(codes.end(), pixels.begin(), pixels.end());
    return codes;
}

std::vector<unsigned> operator+(std::vector<unsigned> a, const std::vector<unsigned>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class GifCheckTest : public ::testing::Test
{
protected:
    HBITMAP Open(const std::vector<unsigned>& codes)
    {
        const std::wstring path = temp.Write(L"lzw.gif", GifWithCodes(8, 2, codes));
        DecodeOptions o = {};
        o.type = PICTYPE_BY_EXTENSION;
        HBITMAP hbm = decoder.LoadNow(path.c_str(), &o);
        EXPECT_TRUE(FileIsClosed(path));
        return hbm;
    }

    TempFolder temp;
    CImageDecoder decoder;
};

// 8 x 2 pixels, every colour: rows "0123 0123" and "3210 3210".
const std::vector<unsigned> kPixels = {0, 1, 2, 3, 0, 1, 2, 3, 3, 2, 1, 0, 3, 2, 1, 0};

// Streams the decoder reads: each opens with its pixels (the code width
// grows twice on the way; an end code may stand in for the last pixel, and
// anything after the last pixel is never read).
TEST_F(GifCheckTest, StreamsTheDecoderReadsStillOpen)
{
    const std::vector<unsigned> withoutLast(kPixels.begin(), kPixels.end() - 1);
    const struct
    {
        const char* pszName;
        std::vector<unsigned> codes;
        int nPixelsChecked;
    } cases[] = {
        {"literals and the end code", Literals(kPixels) + std::vector<unsigned>{kEnd}, 16},
        {"no end code", Literals(kPixels), 16},
        {"codes after the last pixel", Literals(kPixels) + std::vector<unsigned>{1, 2, 9, 3, kEnd}, 16},
        {"an end code for the last pixel", Literals(withoutLast) + std::vector<unsigned>{kEnd}, 15},
        {"a clear halfway", Literals(std::vector<unsigned>(kPixels.begin(), kPixels.begin() + 7)) +
                                Literals(std::vector<unsigned>(kPixels.begin() + 7, kPixels.end())),
         16},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        HBITMAP hbm = Open(c.codes);
        ASSERT_NE(hbm, nullptr);
        for (int i = 0; i < c.nPixelsChecked; i++)
            EXPECT_EQ(Quantised(hbm, kColours[kPixels[i]]), PixelAt(hbm, i % 8, i / 8)) << "pixel " << i;
        DeleteObject(hbm);
    }

    // Sixteen pixels of colour 2 from entries that each name the entry
    // being made (2, 22, 222, 2222, 22222, then a literal 2).
    HBITMAP hbm = Open({kClear, 2, 6, 7, 8, 9, 2, kEnd});
    ASSERT_NE(hbm, nullptr);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(Quantised(hbm, kColours[2]), PixelAt(hbm, i % 8, i / 8)) << "pixel " << i;
    DeleteObject(hbm);
}

// Streams it fails on are refused before it reads them: an end code early,
// a code no entry has yet, the data ending before the last pixel.
TEST_F(GifCheckTest, StreamsTheDecoderFailsOnAreRefusedBeforeIt)
{
    const std::vector<unsigned> first(kPixels.begin(), kPixels.begin() + 10);
    for (const std::vector<unsigned>& codes :
         {Literals(first) + std::vector<unsigned>{kEnd}, std::vector<unsigned>{kClear, 1, 2, 9, 3, kEnd}, Literals(first)})
    {
        const Bytes gif = GifWithCodes(8, 2, codes);
        EXPECT_FALSE(GifPassesCheck(gif.data(), gif.size(), 8, 2));
        EXPECT_EQ(nullptr, Open(codes));
    }
}

} // namespace
