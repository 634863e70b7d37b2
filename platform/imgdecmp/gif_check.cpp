// What a GIF must pass before WIC's decoder sees it. Wine's decoder reads
// every frame in full when it opens the file, and on any fault it fails the
// whole file but keeps several bytes a pixel of the frame it was reading, so
// each broken GIF opened (or thumbnailed) costs memory for the rest of the
// run. Faults it would fail on are refused here first, with the same result
// for the user: the file cannot be opened. What this walk does not
// understand is left for WIC to judge.
#include "platform/imgdecmp/gif_check.h"

#include <stdint.h>
#include <string.h>

namespace {

// The codes of an image's LZW data, read across its sub-blocks.
struct CodeReader
{
    const BYTE* pb;
    size_t cb;
    size_t at;        // the next byte
    unsigned left;    // bytes left in the current sub-block
    uint32_t bits;
    unsigned nBits;
};

// False when the data ends (its terminator or the file) before the code.
bool NextCode(CodeReader* r, unsigned width, unsigned* pCode)
{
    while (r->nBits < width)
    {
        if (r->left == 0)
        {
            if (r->at >= r->cb || r->pb[r->at] == 0)
                return false;
            r->left = r->pb[r->at++];
        }
        if (r->at >= r->cb)
            return false;
        r->bits |= static_cast<uint32_t>(r->pb[r->at++]) << r->nBits;
        r->nBits += 8;
        --r->left;
    }
    *pCode = r->bits & ((1u << width) - 1);
    r->bits >>= width;
    r->nBits -= width;
    return true;
}

const unsigned kMaxCode = 4095;

// True when the LZW data from the sub-block at 'at' yields nPixels pixels
// the way the decoder reads it: the code width grows when the count of codes
// read since a clear passes the width's range, each code after the first
// defines the next entry, and a code is fine if it is a literal, a defined
// entry, or the entry it defines itself. An end code before the last pixel
// but one, an undefined code or the end of the data before the last pixel
// fails the frame; what follows the last pixel is never read.
bool LzwYieldsPixels(const BYTE* pb, size_t cb, size_t at, unsigned nCodeSize, unsigned long long nPixels)
{
    const unsigned clear = 1u << nCodeSize, end = clear + 1;
    uint16_t length[kMaxCode + 1];
    bool defined[kMaxCode + 1];
    for (unsigned c = 0; c <= kMaxCode; ++c)
    {
        length[c] = 1;
        defined[c] = c < clear;
    }
    CodeReader reader = {pb, cb, at, 0, 0, 0};
    unsigned running = end + 1, width = nCodeSize + 1, limit = 1u << width;
    int last = -1;
    // The highest entry made since the last clear: a clear undoes only
    // those, so a file of clear codes costs no more than its length.
    unsigned highest = end;
    unsigned long long got = 0;
    while (got < nPixels)
    {
        unsigned code = 0;
        if (!NextCode(&reader, width, &code))
            return false;
        if (running < kMaxCode + 2 && ++running > limit && width < 12)
        {
            limit <<= 1;
            ++width;
        }
        // An end code is let pass only in place of the very last pixel.
        if (code == end)
            return got + 1 == nPixels;
        if (code == clear)
        {
            memset(defined + end + 1, 0, (highest - end) * sizeof(bool));
            highest = end;
            running = end + 1;
            width = nCodeSize + 1;
            limit = 1u << width;
            last = -1;
            continue;
        }
        unsigned n = 0;
        if (defined[code])
            n = length[code];
        else if (code == running - 2 && last >= 0)
            n = length[last] + 1u;
        else
            return false;
        if (last >= 0 && running - 2 <= kMaxCode)
        {
            defined[running - 2] = true;
            highest = running - 2 > highest ? running - 2 : highest;
            length[running - 2] = static_cast<uint16_t>(length[last] < 0xFFFF ? length[last] + 1 : 0xFFFF);
        }
        last = static_cast<int>(code);
        got += n;
    }
    return true;
}

} // namespace

bool GifPassesCheck(const BYTE* pb, size_t cb, int nWidth, int nHeight)
{
    const unsigned long long cScreen = static_cast<unsigned long long>(nWidth) * static_cast<unsigned long long>(nHeight);
    if (cb < 13)
        return true;
    size_t at = 13;
    if (pb[10] & 0x80)
        at += 3u << ((pb[10] & 7) + 1);
    while (at < cb)
    {
        const BYTE chBlock = pb[at++];
        // A frame whose pixels were all found may be cut after them: the
        // decoder has what it needs and shows it.
        bool bPixelsFound = false;
        if (chBlock == 0x21)
            ++at;   // the extension's label
        else if (chBlock == 0x2C)
        {
            if (at + 9 > cb)
                return false;
            const unsigned w = pb[at + 4] | pb[at + 5] << 8, h = pb[at + 6] | pb[at + 7] << 8;
            // The decoder allocates every frame at its own size before
            // anything can be asked; only the screen meets the budget.
            if (static_cast<unsigned long long>(w) * h > cScreen)
                return false;
            if (pb[at + 8] & 0x80)
                at += 3u << ((pb[at + 8] & 7) + 1);
            if (at + 9 >= cb)
                return false;
            const unsigned nCodeSize = pb[at + 9];
            if (nCodeSize >= 2 && nCodeSize <= 8 && w * h != 0)
            {
                if (!LzwYieldsPixels(pb, cb, at + 10, nCodeSize, static_cast<unsigned long long>(w) * h))
                    return false;
                bPixelsFound = true;
            }
            at += 9 + 1;   // the descriptor, then the LZW code size
        }
        else
            return true;   // the trailer, or a block WIC refuses
        while (at < cb && pb[at] != 0)
            at += 1u + pb[at];
        if (at >= cb)
            return bPixelsFound;   // the block's data runs past the end
        ++at;
    }
    return true;
}
