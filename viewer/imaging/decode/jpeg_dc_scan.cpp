#include "viewer/imaging/decode/jpeg_dc_scan.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Codes up to this long are found by one look-up of the next bits.
const int kFastBits = 9;
// Stepping over AC data looks this far ahead, and takes every whole code
// with its extra bits that fits at once.
const int kSkipBits = 13;

struct HuffDecoder
{
    // (code length << 8) | symbol for every kFastBits-bit prefix whose code
    // is that short; 0 where the code is longer.
    uint16_t fast[1 << kFastBits];
    // For stepping over AC data, for every kSkipBits-bit prefix: the bits
    // of the whole codes with their extra bits that fit in it (<< 7), the
    // end-of-block flag (64) if the last is that, and the sum of the others'
    // steps in the zigzag order (at most 63); 0 when not even one fits.
    uint16_t skip[1 << kSkipBits];
    // Canonical decoding of longer codes: the largest code of each length
    // (-1 for none) and the symbol index of its first code.
    int32_t maxCode[17];
    int32_t valOffset[17];
    uint8_t symbols[256];
};

// The symbol whose code starts the nBits-bit number v, and its length; -1
// when no whole code is in it.
int SymbolAtStart(const HuffDecoder& dec, uint32_t v, int nBits, int* pLength)
{
    for (int l = 1; l <= nBits && l <= 16; ++l)
    {
        const int32_t code = static_cast<int32_t>(v >> (nBits - l));
        if (code <= dec.maxCode[l])
        {
            *pLength = l;
            return dec.symbols[(code + dec.valOffset[l]) & 0xFF];
        }
    }
    return -1;
}

void FillSkipTable(HuffDecoder* pDec)
{
    for (uint32_t prefix = 0; prefix < (1u << kSkipBits); ++prefix)
    {
        int used = 0, steps = 0, end = 0;
        for (;;)
        {
            const int left = kSkipBits - used;
            int length = 0;
            const int sym = left > 0 ? SymbolAtStart(*pDec, prefix & ((1u << left) - 1), left, &length) : -1;
            if (sym < 0)
                break;
            const int size = sym & 15, run = sym >> 4;
            if (length + size > left)
                break;
            if (size == 0 && run != 15)
            {
                used += length;
                end = 64;
                break;
            }
            const int step = size ? run + 1 : 16;
            if (steps + step > 63)
                break;
            used += length + size;
            steps += step;
        }
        pDec->skip[prefix] = static_cast<uint16_t>(used ? used << 7 | end | steps : 0);
    }
}

// Builds a decoder from the table's counts and symbols; false for a table
// libjpeg would refuse (too many symbols, codes that overflow their length,
// a DC category beyond 15).
bool BuildDecoder(const JHUFF_TBL* pTable, bool bDc, HuffDecoder* pDec)
{
    if (!pTable)
        return false;
    int nSymbols = 0;
    for (int l = 1; l <= 16; ++l)
        nSymbols += pTable->bits[l];
    if (nSymbols > 256)
        return false;
    memset(pDec->fast, 0, sizeof(pDec->fast));
    memset(pDec->skip, 0, sizeof(pDec->skip));
    memcpy(pDec->symbols, pTable->huffval, sizeof(pDec->symbols));
    int32_t code = 0;
    int index = 0;
    for (int l = 1; l <= 16; ++l)
    {
        const int count = pTable->bits[l];
        pDec->maxCode[l] = -1;
        pDec->valOffset[l] = index - code;
        for (int i = 0; i < count; ++i, ++code, ++index)
        {
            if (bDc && pTable->huffval[index] > 15)
                return false;
            if (l <= kFastBits)
            {
                const int shift = kFastBits - l;
                for (int32_t fill = 0; fill < (1 << shift); ++fill)
                    pDec->fast[(code << shift) | fill] = static_cast<uint16_t>(l << 8 | pTable->huffval[index]);
            }
        }
        if (count)
        {
            pDec->maxCode[l] = code - 1;
            if (code - 1 >= (1 << l))
                return false;
        }
        code <<= 1;
    }
    if (!bDc)
        FillSkipTable(pDec);
    return true;
}

// The unstuffed stream through a 64-bit buffer whose valid bits sit at the
// top. A refill loads eight bytes at once and never branches on a marker;
// it keeps at least 32 bits, enough for any code with its extra bits.
struct BitReader
{
    const uint8_t* pNext;   // the first byte not wholly in the buffer
    uint64_t buf;
    unsigned int nBits;
};

inline void Refill(BitReader* pBr)
{
    if (pBr->nBits >= 32)
        return;
    uint64_t w;
    memcpy(&w, pBr->pNext, sizeof(w));
    pBr->buf |= __builtin_bswap64(w) >> pBr->nBits;
    pBr->pNext += (63 - pBr->nBits) >> 3;
    pBr->nBits |= 56;
}

inline void Consume(BitReader* pBr, unsigned int n)
{
    pBr->buf <<= n;
    pBr->nBits -= n;
}

inline void StartAt(BitReader* pBr, const uint8_t* pByte)
{
    pBr->pNext = pByte;
    pBr->buf = 0;
    pBr->nBits = 0;
    Refill(pBr);
}

// Bytes consumed, in bits, from pBase on.
inline size_t BitPosition(const BitReader& br, const uint8_t* pBase)
{
    return static_cast<size_t>(br.pNext - pBase) * 8 - br.nBits;
}

// The next symbol (the buffer refilled first), or -1 for a code no table
// entry has.
inline int DecodeSymbol(BitReader* pBr, const HuffDecoder& dec)
{
    Refill(pBr);
    const unsigned int e = dec.fast[pBr->buf >> (64 - kFastBits)];
    if (e)
    {
        Consume(pBr, e >> 8);
        return static_cast<int>(e & 0xFF);
    }
    for (int l = kFastBits + 1; l <= 16; ++l)
    {
        const int32_t code = static_cast<int32_t>(pBr->buf >> (64 - l));
        if (code <= dec.maxCode[l])
        {
            Consume(pBr, l);
            return dec.symbols[(code + dec.valOffset[l]) & 0xFF];
        }
    }
    return -1;
}

// The signed value of s extra bits, read right after their code.
inline int ReadValue(BitReader* pBr, int s)
{
    const int v = static_cast<int>(pBr->buf >> (64 - s));
    Consume(pBr, s);
    return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
}

// Zigzag position to row-major position; past the end every entry is the
// last coefficient, as a corrupt run may overshoot.
const uint8_t kNatural[64 + 16] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13,
    6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31,
    39, 46, 53, 60, 61, 54, 47, 55, 62, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63};

// Steps over a block's AC data; false on a code no table has.
inline bool SkipAc(BitReader* pBr, const HuffDecoder& ac)
{
    for (int k = 1; k < 64;)
    {
        Refill(pBr);
        const unsigned int e = ac.skip[pBr->buf >> (64 - kSkipBits)];
        // Taken whole only when every code in it lies within the block.
        if (e && k + static_cast<int>(e & 63) <= 63)
        {
            Consume(pBr, e >> 7);
            if (e & 64)
                break;
            k += e & 63;
            continue;
        }
        const int sym = DecodeSymbol(pBr, ac);
        if (sym < 0)
            return false;
        const int s = sym & 15;
        const int r = sym >> 4;
        if (s)
        {
            Consume(pBr, s);
            k += r + 1;
        }
        else if (r == 15)
            k += 16;
        else
            break;
    }
    return true;
}

// A 2 x 2 block's weight of each frequency: the mean of its cosine over one
// half of the 8 samples (zero for the even ones but the first), with the
// transform's own scale.
struct QuarterWeights
{
    double w[8][2];
};

QuarterWeights MakeQuarterWeights(void)
{
    QuarterWeights q = {};
    const double pi = 3.14159265358979323846;
    for (int k = 0; k < 8; ++k)
    {
        const double c = k == 0 ? sqrt(0.5) : 1.0;
        for (int half = 0; half < 2; ++half)
        {
            double sum = 0;
            for (int x = 4 * half; x < 4 * half + 4; ++x)
                sum += cos((2 * x + 1) * k * pi / 16);
            q.w[k][half] = c * sum / 4;
        }
    }
    return q;
}

// The 2 x 2 picture of a block whose AC values are read, as libjpeg makes
// subsampled chroma when the luma is at one eighth: each output sample is
// its quadrant's mean. Levels go into out[row][column].
inline bool DecodeQuarters(BitReader* pBr, const HuffDecoder& ac, int dc, const uint16_t* pQuant,
                           const QuarterWeights& qw, int out[2][2])
{
    double sum[2][2];
    const double f0 = dc * static_cast<double>(static_cast<int16_t>(pQuant[0])) * qw.w[0][0] * qw.w[0][0];
    sum[0][0] = sum[0][1] = sum[1][0] = sum[1][1] = f0;
    for (int k = 1; k < 64; ++k)
    {
        const int sym = DecodeSymbol(pBr, ac);
        if (sym < 0)
            return false;
        const int s = sym & 15;
        const int r = sym >> 4;
        if (!s)
        {
            if (r != 15)
                break;
            k += 15;
            continue;
        }
        k += r;
        const int n = kNatural[k];
        const int u = n >> 3, v = n & 7;
        // The value as libjpeg keeps it: a 16-bit coefficient times a
        // 16-bit multiplier.
        const int coef = static_cast<int16_t>(ReadValue(pBr, s));
        if (((u | v) & 1) == 0)
            continue;   // an even frequency averages out
        const double f = coef * static_cast<double>(static_cast<int16_t>(pQuant[n]));
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                sum[i][j] += f * qw.w[u][i] * qw.w[v][j];
    }
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
        {
            const int level = static_cast<int>(floor(sum[i][j] / 4 + 0.5)) + 128;
            out[i][j] = level < 0 ? 0 : level > 255 ? 255 : level;
        }
    return true;
}

// A one-eighth block's level from its DC, as libjpeg's 1 x 1 transform
// gives it: the coefficient and multiplier as 16-bit numbers, rounded by
// three bits, and limited through its wrapping 1,024-entry table.
inline int DcLevel(int dc, uint16_t quant)
{
    const int v = (static_cast<int16_t>(dc) * static_cast<int16_t>(quant) + 4) >> 3;
    const int t = v & 1023;
    if (t < 128)
        return t + 128;
    if (t < 512)
        return 255;
    if (t < 896)
        return 0;
    return t - 896;
}

inline uint8_t Clamp(int v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// YCbCr to blue, green, red, with the JFIF coefficients in 16-bit fixed
// point, rounded as libjpeg rounds them.
inline void PutPixel(uint8_t* p, int y, int cb, int cr)
{
    const int kHalf = 1 << 15;
    cb -= 128;
    cr -= 128;
    const int red = (91881 * cr + kHalf) >> 16;
    const int blue = (116130 * cb + kHalf) >> 16;
    const int green = (-22554 * cb - 46802 * cr + kHalf) >> 16;
    p[0] = Clamp(y + blue);
    p[1] = Clamp(y + green);
    p[2] = Clamp(y + red);
}

// Takes the stuffing out of the entropy data in place and notes where each
// restart interval starts. False when the markers are not the expected
// restarts in order, or there are too few or too many.
bool Unstuff(uint8_t* pData, size_t cbData, uint32_t* pStarts, size_t nIntervals, size_t* pcbOut)
{
    size_t r = 0, w = 0, nFound = 1;
    pStarts[0] = 0;
    for (;;)
    {
        const uint8_t* pFF = static_cast<const uint8_t*>(memchr(pData + r, 0xFF, cbData - r));
        const size_t next = pFF ? static_cast<size_t>(pFF - pData) : cbData;
        memmove(pData + w, pData + r, next - r);
        w += next - r;
        r = next;
        if (r + 1 >= cbData)
            break;
        const uint8_t b = pData[r + 1];
        if (b == 0x00)
        {
            pData[w++] = 0xFF;
            r += 2;
        }
        else if (b == 0xFF)
            r += 1;   // a fill byte before a marker
        else if (b >= 0xD0 && b <= 0xD7)
        {
            if (nFound >= nIntervals || b != 0xD0 + ((nFound - 1) & 7))
                return false;
            pStarts[nFound++] = static_cast<uint32_t>(w);
            r += 2;
        }
        else
            break;   // the scan's end
    }
    *pcbOut = w;
    return nFound == nIntervals;
}

struct Layout
{
    int nComponents;
    int hY, vY;              // luma blocks in an MCU
    bool bQuarters;          // chroma made 2 x 2 (4:2:0)
    unsigned int mcuCols, mcuRows;
    unsigned int outWidth, outHeight;
};

Layout LayoutOf(const jpeg_decompress_struct& cinfo)
{
    Layout l = {};
    l.nComponents = cinfo.num_components;
    l.hY = l.nComponents == 3 ? cinfo.comp_info[0].h_samp_factor : 1;
    l.vY = l.nComponents == 3 ? cinfo.comp_info[0].v_samp_factor : 1;
    l.bQuarters = l.hY == 2 && l.vY == 2;
    l.outWidth = DcScanWidth(cinfo);
    l.outHeight = DcScanHeight(cinfo);
    l.mcuCols = (l.outWidth + l.hY - 1) / l.hY;
    l.mcuRows = (l.outHeight + l.vY - 1) / l.vY;
    return l;
}

// The decoders and multipliers of the scan's components; each table is
// built once, however many components share it.
struct Tables
{
    HuffDecoder dc[NUM_HUFF_TBLS], ac[NUM_HUFF_TBLS];
    const HuffDecoder* pDc[3];
    const HuffDecoder* pAc[3];
    const uint16_t* pQuant[3];
    QuarterWeights quarters;
};

bool MakeTables(const jpeg_decompress_struct& cinfo, Tables* pT)
{
    bool bDcBuilt[NUM_HUFF_TBLS] = {}, bAcBuilt[NUM_HUFF_TBLS] = {};
    for (int ci = 0; ci < cinfo.num_components; ++ci)
    {
        const jpeg_component_info& comp = cinfo.comp_info[ci];
        const int nDc = comp.dc_tbl_no, nAc = comp.ac_tbl_no;
        if (nDc < 0 || nDc >= NUM_HUFF_TBLS || nAc < 0 || nAc >= NUM_HUFF_TBLS || comp.quant_tbl_no < 0 ||
            comp.quant_tbl_no >= NUM_QUANT_TBLS)
            return false;
        const JQUANT_TBL* pQuant = cinfo.quant_tbl_ptrs[comp.quant_tbl_no];
        if (!pQuant)
            return false;
        if (!bDcBuilt[nDc] && !BuildDecoder(cinfo.dc_huff_tbl_ptrs[nDc], true, &pT->dc[nDc]))
            return false;
        if (!bAcBuilt[nAc] && !BuildDecoder(cinfo.ac_huff_tbl_ptrs[nAc], false, &pT->ac[nAc]))
            return false;
        bDcBuilt[nDc] = bAcBuilt[nAc] = true;
        pT->pDc[ci] = &pT->dc[nDc];
        pT->pAc[ci] = &pT->ac[nAc];
        pT->pQuant[ci] = pQuant->quantval;
    }
    pT->quarters = MakeQuarterWeights();
    return true;
}

// One MCU row's levels: luma vY rows of mcuCols * hY, chroma one value per
// MCU or, for 4:2:0, two rows of two per MCU.
struct RowLevels
{
    uint8_t* y[2];
    uint8_t* chroma[2][2];   // [component][row]
};

// Writes an MCU row's levels out as up to vY picture rows.
void PutRows(const Layout& l, const RowLevels& lv, unsigned int mcuRow, uint8_t* pFirstRow, ptrdiff_t nStride)
{
    for (int r = 0; r < l.vY; ++r)
    {
        const unsigned int y = mcuRow * l.vY + r;
        if (y >= l.outHeight)
            return;
        uint8_t* p = pFirstRow + static_cast<ptrdiff_t>(y) * nStride;
        const uint8_t* pY = lv.y[r];
        if (l.nComponents == 1)
        {
            for (unsigned int x = 0; x < l.outWidth; ++x, p += 3)
                p[0] = p[1] = p[2] = pY[x];
            continue;
        }
        const uint8_t* pCb = lv.chroma[0][l.bQuarters ? r : 0];
        const uint8_t* pCr = lv.chroma[1][l.bQuarters ? r : 0];
        const int shift = l.bQuarters ? 0 : l.hY - 1;
        for (unsigned int x = 0; x < l.outWidth; ++x, p += 3)
            PutPixel(p, pY[x], pCb[x >> shift], pCr[x >> shift]);
    }
}

// Decodes one MCU into the row's levels at column mcu. False on bad data.
inline bool DecodeMcu(BitReader* pBr, const Tables& t, const Layout& l, int* pLastDc, unsigned int mcu,
                      const RowLevels& lv)
{
    for (int by = 0; by < l.vY; ++by)
        for (int bx = 0; bx < l.hY; ++bx)
        {
            const int sDc = DecodeSymbol(pBr, *t.pDc[0]);
            if (sDc < 0)
                return false;
            if (sDc)
                pLastDc[0] += ReadValue(pBr, sDc);
            if (!SkipAc(pBr, *t.pAc[0]))
                return false;
            lv.y[by][mcu * l.hY + bx] = static_cast<uint8_t>(DcLevel(pLastDc[0], t.pQuant[0][0]));
        }
    for (int ci = 1; ci < l.nComponents; ++ci)
    {
        const int sDc = DecodeSymbol(pBr, *t.pDc[ci]);
        if (sDc < 0)
            return false;
        if (sDc)
            pLastDc[ci] += ReadValue(pBr, sDc);
        if (l.bQuarters)
        {
            int q[2][2];
            if (!DecodeQuarters(pBr, *t.pAc[ci], static_cast<int16_t>(pLastDc[ci]), t.pQuant[ci], t.quarters, q))
                return false;
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 2; ++j)
                    lv.chroma[ci - 1][i][2 * mcu + j] = static_cast<uint8_t>(q[i][j]);
        }
        else
        {
            if (!SkipAc(pBr, *t.pAc[ci]))
                return false;
            lv.chroma[ci - 1][0][mcu] = static_cast<uint8_t>(DcLevel(pLastDc[ci], t.pQuant[ci][0]));
        }
    }
    // A run of huge differences: libjpeg judges it.
    for (int ci = 0; ci < l.nComponents; ++ci)
        if (pLastDc[ci] > (1 << 24) || pLastDc[ci] < -(1 << 24))
            return false;
    return true;
}

} // namespace

bool DcScanSuits(const jpeg_decompress_struct& cinfo)
{
    if (cinfo.progressive_mode || cinfo.arith_code || cinfo.data_precision != 8 || cinfo.image_width == 0 ||
        cinfo.image_height == 0 || cinfo.comps_in_scan != cinfo.num_components)
        return false;
    for (int i = 0; i < cinfo.comps_in_scan; ++i)
        if (cinfo.cur_comp_info[i] != &cinfo.comp_info[i])
            return false;
    if (cinfo.num_components == 1)
        return cinfo.jpeg_color_space == JCS_GRAYSCALE && cinfo.out_color_space == JCS_GRAYSCALE;
    if (cinfo.num_components != 3 || cinfo.jpeg_color_space != JCS_YCbCr || cinfo.out_color_space != JCS_RGB)
        return false;
    const jpeg_component_info* c = cinfo.comp_info;
    return c[0].h_samp_factor >= 1 && c[0].h_samp_factor <= 2 && c[0].v_samp_factor >= 1 &&
           c[0].v_samp_factor <= 2 && c[1].h_samp_factor == 1 && c[1].v_samp_factor == 1 &&
           c[2].h_samp_factor == 1 && c[2].v_samp_factor == 1;
}

unsigned int DcScanWidth(const jpeg_decompress_struct& cinfo)
{
    return (cinfo.image_width + 7) / 8;
}

unsigned int DcScanHeight(const jpeg_decompress_struct& cinfo)
{
    return (cinfo.image_height + 7) / 8;
}

DcScanResult DecodeDcScan(const jpeg_decompress_struct& cinfo, uint8_t* pData, size_t cbData, uint8_t* pFirstRow,
                          ptrdiff_t nStride, const volatile long* pCancel)
{
    if (!DcScanSuits(cinfo) || !pData || !pFirstRow)
        return DC_SCAN_NOT_TAKEN;
    const Layout l = LayoutOf(cinfo);
    const size_t nMcus = static_cast<size_t>(l.mcuCols) * l.mcuRows;
    const size_t nIntervals = cinfo.restart_interval ? (nMcus + cinfo.restart_interval - 1) / cinfo.restart_interval : 1;
    // Every interval holds at least one byte of data, and each after the
    // first follows its two-byte marker: a header cannot ask for more room
    // to note them than a third of the data. Offsets are 32-bit.
    if (cbData > (1u << 28) || nIntervals > (cbData + 2) / 3 + 1)
        return DC_SCAN_NOT_TAKEN;

    Tables* pTables = static_cast<Tables*>(malloc(sizeof(Tables)));
    uint32_t* pStarts = static_cast<uint32_t*>(malloc((nIntervals + 1) * sizeof(uint32_t)));
    const size_t cbRow = static_cast<size_t>(l.mcuCols) * 2;
    uint8_t* pLevels = static_cast<uint8_t*>(malloc(cbRow * 6));
    DcScanResult result = DC_SCAN_NOT_TAKEN;
    size_t cbOut = 0;
    if (pTables && pStarts && pLevels && MakeTables(cinfo, pTables) &&
        Unstuff(pData, cbData, pStarts, nIntervals, &cbOut))
    {
        pStarts[nIntervals] = static_cast<uint32_t>(cbOut);
        // Reads past the data find zeros, and never the padding's end: an
        // MCU reads at most a few kilobytes, and each is checked.
        memset(pData + cbOut, 0, cbData - cbOut + DC_SCAN_PADDING);
        RowLevels lv = {};
        for (int i = 0; i < 6; ++i)
        {
            uint8_t* p = pLevels + i * cbRow;
            if (i < 2)
                lv.y[i] = p;
            else
                lv.chroma[(i - 2) / 2][(i - 2) % 2] = p;
        }
        const Tables& t = *pTables;
        BitReader br;
        StartAt(&br, pData);
        int lastDc[3] = {};
        size_t nInterval = 0, nLeft = cinfo.restart_interval ? cinfo.restart_interval : nMcus;
        result = DC_SCAN_DONE;
        for (unsigned int row = 0; row < l.mcuRows && result == DC_SCAN_DONE; ++row)
        {
            if (*pCancel)
            {
                result = DC_SCAN_CANCELLED;
                break;
            }
            for (unsigned int mcu = 0; mcu < l.mcuCols; ++mcu)
            {
                if (nLeft == 0)
                {
                    StartAt(&br, pData + pStarts[++nInterval]);
                    lastDc[0] = lastDc[1] = lastDc[2] = 0;
                    nLeft = cinfo.restart_interval;
                }
                // Each MCU must end within its interval's own bytes.
                const size_t nEndBits = static_cast<size_t>(pStarts[nInterval + 1]) * 8;
                if (!DecodeMcu(&br, t, l, lastDc, mcu, lv) || BitPosition(br, pData) > nEndBits)
                {
                    result = DC_SCAN_NOT_TAKEN;
                    break;
                }
                --nLeft;
            }
            if (result == DC_SCAN_DONE)
                PutRows(l, lv, row, pFirstRow, nStride);
        }
    }
    free(pLevels);
    free(pStarts);
    free(pTables);
    return result;
}
