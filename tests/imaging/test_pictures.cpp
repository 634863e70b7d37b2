#include "tests/imaging/test_pictures.h"

#include <stdio.h>
#include <string.h>

#include <jpeglib.h>

namespace {

void Put16(Bytes& b, uint32_t v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); }
void Put32(Bytes& b, uint32_t v) { Put16(b, v & 0xFFFF); Put16(b, v >> 16); }
void PutBE32(Bytes& b, uint32_t v) { for (int s = 24; s >= 0; s -= 8) b.push_back((v >> s) & 0xFF); }
// The three colour bytes of 0x00RRGGBB, red first or blue first.
void PutRgb(Bytes& b, uint32_t c, bool bRedFirst)
{
    for (int s : {16, 8, 0})
        b.push_back((c >> (bRedFirst ? s : 16 - s)) & 0xFF);
}

} // namespace

Bytes MakeJpeg(int w, int h, JpegKind kind, const PixelFn& pixel, bool bProgressive, int nQuality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* pOut = NULL;
    unsigned long cbOut = 0;
    jpeg_mem_dest(&cinfo, &pOut, &cbOut);
    cinfo.image_width = w;
    cinfo.image_height = h;
    const int n = kind == JPEG_RGB ? 3 : kind == JPEG_GREY ? 1 : 4;
    cinfo.input_components = n;
    cinfo.in_color_space = kind == JPEG_RGB ? JCS_RGB : kind == JPEG_GREY ? JCS_GRAYSCALE : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, nQuality, TRUE);
    if (bProgressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(w) * n);
    for (int y = 0; y < h; y++)
    {
        // The low n bytes of the value, most significant first.
        for (int x = 0; x < w; x++)
            for (int k = 0; k < n; k++)
                row[static_cast<size_t>(x) * n + k] = (pixel(x, y) >> (8 * (n - 1 - k))) & 0xFF;
        JSAMPROW pRow = row.data();
        jpeg_write_scanlines(&cinfo, &pRow, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes data(pOut, pOut + cbOut);
    jpeg_destroy_compress(&cinfo);
    free(pOut);
    return data;
}

Bytes MakeBmp(int nHeaderSize, int w, int h, int nBits, uint32_t compression, const std::vector<uint32_t>& palette,
              const uint32_t* pMasks, const Bytes& pixelData, bool bTopDown)
{
    Bytes info;
    Put32(info, nHeaderSize);
    if (nHeaderSize == 12)
    {
        for (uint32_t v : {uint32_t(w), uint32_t(h), 1u, uint32_t(nBits)})
            Put16(info, v);
    }
    else
    {
        Put32(info, w);
        Put32(info, bTopDown ? -h : h);
        Put16(info, 1);
        Put16(info, nBits);
        if (nHeaderSize > 16)
            for (uint32_t v : {compression, uint32_t(pixelData.size()), 2835u, 2835u, uint32_t(palette.size()), 0u})
                Put32(info, v);
        if (nHeaderSize >= 52 && pMasks)
            for (int i = 0; i < 3; i++)
                Put32(info, pMasks[i]);
        info.resize(nHeaderSize, 0);
    }
    if (nHeaderSize == 40 && pMasks)
        for (int i = 0; i < 3; i++)
            Put32(info, pMasks[i]);
    for (uint32_t c : palette)
    {
        PutRgb(info, c, false);
        if (nHeaderSize != 12)
            info.push_back(0);
    }
    Bytes file = {'B', 'M'};
    Put32(file, static_cast<uint32_t>(14 + info.size() + pixelData.size()));
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(14 + info.size()));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixelData.begin(), pixelData.end());
    return file;
}

Bytes BmpRows(int w, int h, int nBits, const PixelFn& valueAt, bool bTopDown)
{
    const size_t cbRow = ((static_cast<size_t>(w) * nBits + 31) / 32) * 4;
    Bytes data(cbRow * h, 0);
    for (int i = 0; i < h; i++)
    {
        uint8_t* row = &data[cbRow * i];
        for (int x = 0; x < w; x++)
        {
            const uint32_t v = valueAt(x, bTopDown ? i : h - 1 - i);
            const int perByte = 8 / nBits;
            if (nBits < 8)
                row[x / perByte] |= static_cast<uint8_t>(v << (8 - nBits * (x % perByte + 1)));
            else
                for (int k = 0; k < nBits / 8; k++)
                    row[x * (nBits / 8) + k] = (v >> (8 * k)) & 0xFF;
        }
    }
    return data;
}

namespace {

void PngChunk(Bytes& png, const char* type, const Bytes& data)
{
    PutBE32(png, static_cast<uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    uint32_t crc = ~0u;
    for (uint8_t c : body)
    {
        crc ^= c;
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    PutBE32(png, ~crc);
}

// zlib stream of stored (uncompressed) deflate blocks.
Bytes Zlib(const Bytes& raw)
{
    Bytes z = {0x78, 0x01};
    size_t pos = 0;
    do
    {
        const size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        z.push_back(pos + n == raw.size() ? 1 : 0);
        Put16(z, static_cast<uint32_t>(n));
        Put16(z, static_cast<uint32_t>(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw)
    {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBE32(z, (b << 16) | a);
    return z;
}

} // namespace

Bytes MakePng(int w, int h, PngColour colour, int nDepth, const PixelFn& pixel, bool bInterlaced,
              const std::vector<uint32_t>& palette)
{
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    PutBE32(ihdr, w);
    PutBE32(ihdr, h);
    for (int v : {nDepth, int(colour), 0, 0, bInterlaced ? 1 : 0})
        ihdr.push_back(static_cast<uint8_t>(v));
    PngChunk(png, "IHDR", ihdr);
    if (colour == PNG_PALETTE)
    {
        Bytes plte;
        for (uint32_t c : palette)
            PutRgb(plte, c, true);
        PngChunk(png, "PLTE", plte);
    }
    // Samples most significant first: grey 1 byte, RGB 3, RGBA alpha last.
    const int nSamples = colour == PNG_RGB ? 3 : colour == PNG_RGBA ? 4 : 1;
    auto putRow = [&](Bytes& raw, int y, int x0, int dx) {
        raw.push_back(0);   // filter: none
        for (int x = x0; x < w; x += dx)
        {
            const uint32_t v = pixel(x, y);
            const uint32_t ordered = colour == PNG_RGBA ? (v << 8) | (v >> 24) : v;
            for (int k = nSamples - 1; k >= 0; k--)
            {
                raw.push_back(static_cast<uint8_t>(ordered >> (8 * k)));
                if (nDepth == 16)
                    raw.push_back(static_cast<uint8_t>(ordered >> (8 * k)));   // 16-bit sample v8 * 257
            }
        }
    };
    Bytes raw;
    static const int kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                    {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    static const int kWhole[1][4] = {{0, 0, 1, 1}};
    const int (*pPasses)[4] = bInterlaced ? kPass : kWhole;
    for (int i = 0; i < (bInterlaced ? 7 : 1); i++)
    {
        const int* p = pPasses[i];
        if (p[0] < w && p[1] < h)
            for (int y = p[1]; y < h; y += p[3])
                putRow(raw, y, p[0], p[2]);
    }
    PngChunk(png, "IDAT", Zlib(raw));
    PngChunk(png, "IEND", Bytes());
    return png;
}

Bytes MakeGif(int sw, int sh, int left, int top, int w, int h, const std::vector<uint32_t>& palette,
              const PixelFn& index, int transparentIndex)
{
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(gif, sw);
    Put16(gif, sh);
    gif.insert(gif.end(), {0xF7, 0, 0});   // global table of 256 entries
    for (int i = 0; i < 256; i++)
        PutRgb(gif, i < static_cast<int>(palette.size()) ? palette[i] : 0, true);
    if (transparentIndex >= 0)
        gif.insert(gif.end(), {0x21, 0xF9, 4, 1, 0, 0, static_cast<uint8_t>(transparentIndex), 0});
    gif.push_back(0x2C);
    for (int v : {left, top, w, h})
        Put16(gif, v);
    gif.insert(gif.end(), {0, 8});   // no local table; LZW minimum code size
    // Literal codes only, 9 bits each, with a clear code before the table
    // would grow past 9 bits.
    Bytes lzw;
    uint32_t acc = 0;
    int nBits = 0, sinceClear = 0;
    auto emit = [&](uint32_t code) {
        acc |= code << nBits;
        for (nBits += 9; nBits >= 8; nBits -= 8, acc >>= 8)
            lzw.push_back(acc & 0xFF);
    };
    emit(256);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
        {
            if (sinceClear++ == 250)
            {
                emit(256);
                sinceClear = 1;
            }
            emit(index(x, y) & 0xFF);
        }
    emit(257);
    if (nBits > 0)
        lzw.push_back(acc & 0xFF);
    for (size_t pos = 0; pos < lzw.size(); pos += 255)
    {
        const size_t n = lzw.size() - pos < 255 ? lzw.size() - pos : 255;
        gif.push_back(static_cast<uint8_t>(n));
        gif.insert(gif.end(), lzw.begin() + pos, lzw.begin() + pos + n);
    }
    gif.insert(gif.end(), {0, 0x3B});
    return gif;
}

uint32_t PixelAt(HBITMAP hbm, int x, int y)
{
    DIBSECTION ds;
    if (GetObjectW(hbm, sizeof(ds), &ds) != sizeof(ds))
        return 0xDEADBEEF;
    const uint8_t* row = static_cast<const uint8_t*>(ds.dsBm.bmBits) +
                         static_cast<ptrdiff_t>(ds.dsBm.bmHeight - 1 - y) * ds.dsBm.bmWidthBytes;
    switch (ds.dsBm.bmBitsPixel)
    {
    case 16:
    {
        const uint16_t p = reinterpret_cast<const uint16_t*>(row)[x];
        if (ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBitfields[1] == 0x07E0)
            return (((p >> 11) & 31) << 19) | (((p >> 5) & 63) << 10) | ((p & 31) << 3);
        return (((p >> 10) & 31) << 19) | (((p >> 5) & 31) << 11) | ((p & 31) << 3);
    }
    case 24:
        return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
    case 32:
        return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    }
    return 0xDEADBEEF;
}

uint32_t Quantised(HBITMAP hbm, uint32_t rgb)
{
    BITMAP bm;
    GetObjectW(hbm, sizeof(bm), &bm);
    return bm.bmBitsPixel == 16 ? rgb & 0xF8FCF8 : rgb;
}

bool Near(uint32_t a, uint32_t b, int nTolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
    {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > nTolerance || d < -nTolerance)
            return false;
    }
    return true;
}

size_t CommittedBytes()
{
    size_t total = 0;
    MEMORY_BASIC_INFORMATION mbi;
    const uint8_t* p = NULL;
    while (VirtualQuery(p, &mbi, sizeof(mbi)) == sizeof(mbi))
    {
        if (mbi.State == MEM_COMMIT)
            total += mbi.RegionSize;
        const uint8_t* pNext = static_cast<const uint8_t*>(mbi.BaseAddress) + mbi.RegionSize;
        if (pNext <= p)
            break;
        p = pNext;
    }
    return total;
}

bool FileIsClosed(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}
