// GIFs whose LZW data the platform decoder would fail on are refused before
// it sees them (under Wine it keeps a byte a pixel of each such frame); every
// stream it decodes still opens, with its pixels.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/imgdecmp/gif_check.h"
#include "tests/support/pictures.h"
#include "viewer/imaging/decode/image_decoder.h"

namespace {

typedef std::vector<unsigned> Codes;
// Code size 2: four colours, then the clear and end codes.
const unsigned kClear = 4, kEnd = 5;
const uint32_t kColours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

// A GIF of one 8 x 2 frame filling its screen, its image data the codes
// given, each packed at the width the decoder reads it with.
Bytes GifWithCodes(const Codes& codes)
{
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 8, 0, 2, 0, 0x81, 0, 0};   // a global table of 4 colours
    for (uint32_t c : kColours)
        gif.insert(gif.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
    gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, 8, 0, 2, 0, 0, 2});   // no local table; code size 2
    Bytes data;
    uint32_t bits = 0;
    unsigned nBits = 0, width = 3, running = kEnd + 1, limit = 8;
    for (unsigned code : codes)
    {
        bits |= code << nBits;
        for (nBits += width; nBits >= 8; nBits -= 8, bits >>= 8)
            data.push_back(static_cast<uint8_t>(bits));
        if (code == kClear)
            width = 3, running = kEnd + 1, limit = 8;
        else if (running < 4097 && ++running > limit && width < 12)
            limit <<= 1, ++width;
    }
    if (nBits)
        data.push_back(static_cast<uint8_t>(bits));
    for (size_t at = 0; at < data.size(); at += 255)
    {
        const size_t n = std::min<size_t>(255, data.size() - at);
        gif.push_back(static_cast<uint8_t>(n));
        gif.insert(gif.end(), data.begin() + at, data.begin() + at + n);
    }
    gif.insert(gif.end(), {0, 0x3B});
    return gif;
}

// A clear, then each pixel as a literal code; codes one after another.
Codes Literals(const Codes& pixels)
{
    Codes codes = {kClear};
    codes.insert(codes.end(), pixels.begin(), pixels.end());
    return codes;
}
Codes operator+(Codes a, const Codes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

// Streams the decoder reads open with their pixels; those it fails on are
// refused by the check. "Entries naming themselves": 2, 22, 222, 2222, 22222.
TEST(GifCheck, StreamsTheDecoderReadsOpenAndThoseItFailsOnAreRefusedBeforeIt)
{
    // 8 x 2 pixels, every colour: rows "0123 0123" and "3210 3210".
    const Codes kPixels = {0, 1, 2, 3, 0, 1, 2, 3, 3, 2, 1, 0, 3, 2, 1, 0}, kTwos(16, 2);
    const Codes first10(kPixels.begin(), kPixels.begin() + 10);
    const struct { const char* pszName; Codes codes; Codes pixels; size_t nChecked; } cases[] = {
        {"literals and the end code", Literals(kPixels) + Codes{kEnd}, kPixels, 16},
        {"no end code", Literals(kPixels), kPixels, 16},
        {"codes after the last pixel", Literals(kPixels) + Codes{1, 2, 9, 3, kEnd}, kPixels, 16},
        {"an end code for the last pixel", Literals(Codes(kPixels.begin(), kPixels.end() - 1)) + Codes{kEnd}, kPixels, 15},
        {"a clear halfway", Literals(Codes(kPixels.begin(), kPixels.begin() + 7)) + Literals(Codes(kPixels.begin() + 7, kPixels.end())),
         kPixels, 16},
        {"entries naming themselves", Codes{kClear, 2, 6, 7, 8, 9, 2, kEnd}, kTwos, 16},
        {"an end code early", Literals(first10) + Codes{kEnd}, {}, 0},
        {"a code no entry has yet", Codes{kClear, 1, 2, 9, 3, kEnd}, {}, 0},
        {"the data ending early", Literals(first10), {}, 0},
    };
    TempFolder temp;
    CImageDecoder decoder;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        const Bytes gif = GifWithCodes(c.codes);
        EXPECT_EQ(c.nChecked != 0, GifPassesCheck(gif.data(), gif.size(), 8, 2));
        const std::wstring path = temp.Write(L"lzw.gif", gif);
        DecodeOptions o = {0, PICTYPE_BY_EXTENSION};
        HBITMAP hbm = decoder.LoadNow(path.c_str(), &o);
        EXPECT_TRUE(FileIsClosed(path));
        EXPECT_EQ(c.nChecked != 0, hbm != nullptr);
        for (size_t i = 0; hbm && i < c.nChecked; i++)
            EXPECT_EQ(Quantised(hbm, kColours[c.pixels[i]]), PixelAt(hbm, i % 8, i / 8)) << "pixel " << i;
        DeleteObject(hbm);
    }
}
