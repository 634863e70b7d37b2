#include "tests/imaging/test_pictures.h"

#include <stdio.h>
#include <string.h>

#include <jpeglib.h>

TempFolder::TempFolder()
{
    wchar_t szTemp[MAX_PATH];
    GetTempPathW(MAX_PATH, szTemp);
    wchar_t szName[64];
    swprintf(szName, 64, L"ombrix_img_%lu_%lu", GetCurrentProcessId(), GetTickCount());
    m_path = std::wstring(szTemp) + szName;
    CreateDirectoryW(m_path.c_str(), NULL);
}

TempFolder::~TempFolder()
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((m_path + L"\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((m_path + L"\\" + fd.cFileName).c_str());
        } while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
    }
    RemoveDirectoryW(m_path.c_str());
}

std::wstring TempFolder::Path(const wchar_t* pszName) const
{
    return m_path + L"\\" + pszName;
}

std::wstring TempFolder::Write(const wchar_t* pszName, const Bytes& data) const
{
    const std::wstring path = Path(pszName);
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (f)
    {
        if (!data.empty())
            fwrite(data.data(), 1, data.size(), f);
        fclose(f);
    }
    return path;
}

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
    cinfo.input_components = kind == JPEG_RGB ? 3 : kind == JPEG_GREY ? 1 : 4;
    cinfo.in_color_space = kind == JPEG_RGB ? JCS_RGB : kind == JPEG_GREY ? JCS_GRAYSCALE : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, nQuality, TRUE);
    if (bProgressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(w) * cinfo.input_components);
    for (int y = 0; y < h; y++)
    {
        for (int x = 0; x < w; x++)
        {
            const uint32_t v = pixel(x, y);
            unsigned char* p = &row[static_cast<size_t>(x) * cinfo.input_components];
            if (kind == JPEG_RGB)
            {
                p[0] = (v >> 16) & 0xFF;
                p[1] = (v >> 8) & 0xFF;
                p[2] = v & 0xFF;
            }
            else if (kind == JPEG_GREY)
                p[0] = v & 0xFF;
            else
            {
                p[0] = v >> 24;
                p[1] = (v >> 16) & 0xFF;
                p[2] = (v >> 8) & 0xFF;
                p[3] = v & 0xFF;
            }
        }
        JSAMPROW pRow = row.data();
        jpeg_write_scanlines(&cinfo, &pRow, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes data(pOut, pOut + cbOut);
    jpeg_destroy_compress(&cinfo);
    free(pOut);
    return data;
}

static void Put16(Bytes& b, uint32_t v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); }
static void Put32(Bytes& b, uint32_t v) { Put16(b, v & 0xFFFF); Put16(b, v >> 16); }
static void PutBE32(Bytes& b, uint32_t v)
{
    b.push_back(v >> 24); b.push_back((v >> 16) & 0xFF); b.push_back((v >> 8) & 0xFF); b.push_back(v & 0xFF);
}

Bytes MakeBmp(int nHeaderSize, int w, int h, int nBits, uint32_t compression, const std::vector<uint32_t>& palette,
              const uint32_t* pMasks, const Bytes& pixelData, bool bTopDown)
{
    Bytes info;
    Put32(info, nHeaderSize);
    if (nHeaderSize == 12)
    {
        Put16(info, w);
        Put16(info, h);
        Put16(info, 1);
        Put16(info, nBits);
    }
    else
    {
        Put32(info, w);
        Put32(info, bTopDown ? -h : h);
        Put16(info, 1);
        Put16(info, nBits);
        if (nHeaderSize > 16)
        {
            Put32(info, compression);
            Put32(info, static_cast<uint32_t>(pixelData.size()));
            Put32(info, 2835);
            Put32(info, 2835);
            Put32(info, static_cast<uint32_t>(palette.size()));
            Put32(info, 0);
        }
        if (nHeaderSize >= 52 && pMasks)
        {
            Put32(info, pMasks[0]);
            Put32(info, pMasks[1]);
            Put32(info, pMasks[2]);
        }
        info.resize(nHeaderSize, 0);
    }
    if (nHeaderSize == 40 && pMasks)
    {
        Put32(info, pMasks[0]);
        Put32(info, pMasks[1]);
        Put32(info, pMasks[2]);
    }
    for (uint32_t c : palette)
    {
        info.push_back(c & 0xFF);
        info.push_back((c >> 8) & 0xFF);
        info.push_back((c >> 16) & 0xFF);
        if (nHeaderSize != 12)
            info.push_back(0);
    }
    Bytes file;
    file.push_back('B');
    file.push_back('M');
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
        const int y = bTopDown ? i : h - 1 - i;
        uint8_t* row = &data[cbRow * i];
        for (int x = 0; x < w; x++)
        {
            const uint32_t v = valueAt(x, y);
            if (nBits < 8)
            {
                const int perByte = 8 / nBits;
                row[x / perByte] |= static_cast<uint8_t>(v << (8 - nBits * (x % perByte + 1)));
            }
            else
            {
                for (int k = 0; k < nBits / 8; k++)
                    row[x * (nBits / 8) + k] = (v >> (8 * k)) & 0xFF;
            }
        }
    }
    return data;
}

static uint32_t Crc32(const uint8_t* p, size_t n, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < n; i++)
    {
        crc ^= p[i];
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

static void PngChunk(Bytes& png, const char* type, const Bytes& data)
{
    PutBE32(png, static_cast<uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    PutBE32(png, Crc32(body.data(), body.size()));
}

// zlib stream of stored (uncompressed) deflate blocks.
static Bytes Zlib(const Bytes& raw)
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

Bytes MakePng(int w, int h, PngColour colour, int nDepth, const PixelFn& pixel, bool bInterlaced,
              const std::vector<uint32_t>& palette)
{
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    PutBE32(ihdr, w);
    PutBE32(ihdr, h);
    ihdr.push_back(static_cast<uint8_t>(nDepth));
    ihdr.push_back(static_cast<uint8_t>(colour));
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(bInterlaced ? 1 : 0);
    PngChunk(png, "IHDR", ihdr);
    if (colour == PNG_PALETTE)
    {
        Bytes plte;
        for (uint32_t c : palette)
        {
            plte.push_back((c >> 16) & 0xFF);
            plte.push_back((c >> 8) & 0xFF);
            plte.push_back(c & 0xFF);
        }
        PngChunk(png, "PLTE", plte);
    }
    const int nSamples = colour == PNG_RGB ? 3 : colour == PNG_RGBA ? 4 : colour == PNG_GREY_ALPHA ? 2 : 1;
    auto putSample = [&](Bytes& raw, uint32_t v8) {
        raw.push_back(static_cast<uint8_t>(v8));
        if (nDepth == 16)
            raw.push_back(static_cast<uint8_t>(v8));   // 16-bit sample v8 * 257
    };
    auto putRow = [&](Bytes& raw, int y, int x0, int dx) {
        raw.push_back(0);   // filter: none
        for (int x = x0; x < w; x += dx)
        {
            const uint32_t v = pixel(x, y);
            switch (colour)
            {
            case PNG_GREY: putSample(raw, v & 0xFF); break;
            case PNG_GREY_ALPHA: putSample(raw, v & 0xFF); putSample(raw, v >> 24); break;
            case PNG_RGB: putSample(raw, (v >> 16) & 0xFF); putSample(raw, (v >> 8) & 0xFF); putSample(raw, v & 0xFF); break;
            case PNG_RGBA:
                putSample(raw, (v >> 16) & 0xFF); putSample(raw, (v >> 8) & 0xFF); putSample(raw, v & 0xFF);
                putSample(raw, v >> 24);
                break;
            case PNG_PALETTE: raw.push_back(static_cast<uint8_t>(v)); break;
            }
        }
    };
    (void)nSamples;
    Bytes raw;
    if (!bInterlaced)
    {
        for (int y = 0; y < h; y++)
            putRow(raw, y, 0, 1);
    }
    else
    {
        static const int kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        for (const auto& p : kPass)
        {
            if (p[0] >= w || p[1] >= h)
                continue;
            for (int y = p[1]; y < h; y += p[3])
                putRow(raw, y, p[0], p[2]);
        }
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
    gif.push_back(0xF7);   // global table of 256 entries
    gif.push_back(0);
    gif.push_back(0);
    for (int i = 0; i < 256; i++)
    {
        const uint32_t c = i < static_cast<int>(palette.size()) ? palette[i] : 0;
        gif.push_back((c >> 16) & 0xFF);
        gif.push_back((c >> 8) & 0xFF);
        gif.push_back(c & 0xFF);
    }
    if (transparentIndex >= 0)
    {
        const uint8_t gce[] = {0x21, 0xF9, 4, 1, 0, 0, static_cast<uint8_t>(transparentIndex), 0};
        gif.insert(gif.end(), gce, gce + sizeof(gce));
    }
    gif.push_back(0x2C);
    Put16(gif, left);
    Put16(gif, top);
    Put16(gif, w);
    Put16(gif, h);
    gif.push_back(0);
    gif.push_back(8);   // LZW minimum code size
    // Literal codes only, 9 bits each, with a clear code before the table
    // would grow past 9 bits.
    Bytes lzw;
    uint32_t acc = 0;
    int nBits = 0;
    auto emit = [&](uint32_t code) {
        acc |= code << nBits;
        nBits += 9;
        while (nBits >= 8)
        {
            lzw.push_back(acc & 0xFF);
            acc >>= 8;
            nBits -= 8;
        }
    };
    int sinceClear = 0;
    emit(256);
    for (int y = 0; y < h; y++)
    {
        for (int x = 0; x < w; x++)
        {
            if (sinceClear == 250)
            {
                emit(256);
                sinceClear = 0;
            }
            emit(index(x, y) & 0xFF);
            sinceClear++;
        }
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
    gif.push_back(0);
    gif.push_back(0x3B);
    return gif;
}

uint32_t PixelAt(HBITMAP hbm, int x, int y)
{
    DIBSECTION ds;
    if (GetObjectW(hbm, sizeof(ds), &ds) != sizeof(ds))
        return 0xDEADBEEF;
    const int h = ds.dsBm.bmHeight;
    const uint8_t* row = static_cast<const uint8_t*>(ds.dsBm.bmBits) +
                         static_cast<ptrdiff_t>(h - 1 - y) * ds.dsBm.bmWidthBytes;
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
    if (bm.bmBitsPixel != 16)
        return rgb;
    return rgb & 0xF8FCF8;
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
