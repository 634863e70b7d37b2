#include "tests/fuzz/fuzz_seeds.h"

#include <string.h>

#include "tests/fuzz/fuzz_settings_names.h"
#include "tests/imaging/test_pictures.h"
#include "viewer/browser/thumb_index_record.h"

namespace {

uint32_t Pattern(int x, int y)
{
    return static_cast<uint32_t>((x * 37) ^ (y * 91)) * 0x010305u;
}

// Run-length rows: each row one run of its width (at most 255), an end of
// line after each, an end of picture after the last.
FuzzBytes RleRows(int w, int h, bool bFourBits)
{
    FuzzBytes d;
    for (int y = 0; y < h; ++y)
    {
        d.push_back(static_cast<uint8_t>(w));
        d.push_back(static_cast<uint8_t>(bFourBits ? 0x12 + y : y * 7));
        // An absolute run of three, padded to a word.
        d.insert(d.end(), {0, 3, 1, 2, 3, 0});
        d.insert(d.end(), {0, 0});
    }
    d.insert(d.end(), {0, 1});
    return d;
}

void Put(FuzzBytes* p, uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        p->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void AddSetting(FuzzBytes* p, uint8_t nName, uint8_t nType, const void* pv, uint16_t cb)
{
    p->push_back(nName);
    p->push_back(nType);
    Put(p, cb, 2);
    p->insert(p->end(), static_cast<const uint8_t*>(pv), static_cast<const uint8_t*>(pv) + cb);
}

} // namespace

std::vector<FuzzBytes> JpegSeeds(void)
{
    return {
        MakeJpeg(40, 30, JPEG_RGB, Pattern),
        MakeJpeg(17, 9, JPEG_GREY, Pattern, false, 80),
        MakeJpeg(16, 16, JPEG_CMYK, Pattern),
        MakeJpeg(48, 32, JPEG_RGB, Pattern, true, 70),
        MakeJpeg(300, 8, JPEG_RGB, Pattern, false, 30),
        // Wide enough for a one-eighth thumbnail, decoded from the DC data.
        MakeJpeg(400, 24, JPEG_RGB, Pattern, false, 60, 1),
        MakeJpeg(392, 17, JPEG_RGB, Pattern, false, 90, 0, 2, 1),
        MakeJpeg(390, 9, JPEG_GREY, Pattern, false, 50, 1),
    };
}

std::vector<FuzzBytes> BmpSeeds(void)
{
    const std::vector<uint32_t> grey4 = {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF};
    std::vector<uint32_t> palette16, palette256;
    for (uint32_t i = 0; i < 256; ++i)
        (i < 16 ? palette16 : palette256).push_back(i * 0x010101u);
    palette256.insert(palette256.begin(), palette16.begin(), palette16.end());
    const uint32_t masks565[] = {0xF800, 0x07E0, 0x001F};
    const uint32_t masks32[] = {0x3FF00000, 0x000FFC00, 0x000003FF};
    auto index = [](uint32_t n) { return [n](int x, int y) { return static_cast<uint32_t>(x + y) % n; }; };
    return {
        MakeBmp(40, 13, 7, 24, BI_RGB, {}, nullptr, BmpRows(13, 7, 24, Pattern)),
        MakeBmp(12, 9, 5, 24, BI_RGB, {}, nullptr, BmpRows(9, 5, 24, Pattern)),
        MakeBmp(40, 11, 6, 8, BI_RGB, palette256, nullptr, BmpRows(11, 6, 8, index(256))),
        MakeBmp(40, 20, 4, 8, BI_RLE8, palette256, nullptr, RleRows(20, 4, false)),
        MakeBmp(40, 20, 4, 4, BI_RLE4, palette16, nullptr, RleRows(20, 4, true)),
        MakeBmp(56, 10, 6, 16, BI_BITFIELDS, {}, masks565, BmpRows(10, 6, 16, Pattern)),
        MakeBmp(124, 7, 7, 32, BI_BITFIELDS, {}, masks32, BmpRows(7, 7, 32, Pattern), true),
        MakeBmp(40, 33, 3, 1, BI_RGB, {0, 0xFFFFFF}, nullptr, BmpRows(33, 3, 1, index(2))),
        MakeBmp(40, 9, 4, 2, BI_RGB, grey4, nullptr, BmpRows(9, 4, 2, index(4))),
        MakeBmp(108, 6, 5, 4, BI_RGB, palette16, nullptr, BmpRows(6, 5, 4, index(16))),
    };
}

std::vector<FuzzBytes> FixtureSeeds(const std::wstring& folder, const std::vector<const wchar_t*>& names)
{
    std::vector<FuzzBytes> seeds;
    for (const wchar_t* pszName : names)
    {
        const std::string data = ReadWholeFile(folder + pszName);
        if (data.empty())
            return {};
        seeds.emplace_back(data.begin(), data.end());
    }
    return seeds;
}

FuzzBytes IndexRecord(int32_t nSlot, const wchar_t* pszPath, uint32_t nFileSize)
{
    ThumbRecordFields fields = {};
    for (int i = 0; pszPath[i] && i < THUMB_PATH_UNITS - 1; ++i)
        fields.path[i] = pszPath[i];
    fields.slot = nSlot;
    fields.fileSize = nFileSize;
    fields.timeLow = 0x55667788;
    fields.timeHigh = 0x01D9CCDD;
    fields.x = 2;
    fields.y = 6;
    FuzzBytes rec(THUMB_RECORD_BYTES);
    EncodeThumbRecord(&fields, rec.data());
    return rec;
}

FuzzBytes IndexHeader(void)
{
    FuzzBytes header(THUMB_RECORD_BYTES);
    EncodeThumbHeader(DEF_AUTO_ROTATE ? THUMB_MADE_UPRIGHT : THUMB_MADE_AS_STORED, header.data());
    return header;
}

std::vector<FuzzBytes> IndexSeeds(void)
{
    const FuzzBytes zero(THUMB_RECORD_BYTES, 0);
    std::vector<FuzzBytes> seeds(3, IndexHeader());
    const wchar_t* rgszNames[] = {L"\\My Documents\\a.jpg", L"\\My Documents\\Photos\\long name of a picture.jpeg",
                                  L"\\b.png", L"\\My Documents\\a.jpg"};
    for (int i = 0; i < 4; ++i)
    {
        const FuzzBytes rec = IndexRecord(i + 1, rgszNames[i], 1000u * (i + 1));
        seeds[0].insert(seeds[0].end(), rec.begin(), rec.end());
    }
    const FuzzBytes one = IndexRecord(1, L"\\My Documents\\Trips\\c.gif", 123456);
    seeds[1].insert(seeds[1].end(), one.begin(), one.end());
    // A hole the cache left (a record that was never written) before slot 3.
    seeds[2].insert(seeds[2].end(), one.begin(), one.end());
    seeds[2].insert(seeds[2].end(), zero.begin(), zero.end());
    const FuzzBytes three = IndexRecord(3, L"\\x.bmp", 99);
    seeds[2].insert(seeds[2].end(), three.begin(), three.end());
    return seeds;
}

std::vector<FuzzBytes> PvxSeeds(void)
{
    return {
        MakeJpeg(64, 48, JPEG_RGB, Pattern, false, 75),
        MakeJpeg(45, 60, JPEG_RGB, Pattern, false, 75),
        MakeJpeg(64, 60, JPEG_RGB, Pattern, true, 75),
        MakeJpeg(30, 20, JPEG_RGB, Pattern, false, 40),
        MakeJpeg(100, 80, JPEG_RGB, Pattern),
    };
}

std::vector<FuzzBytes> SettingsSeeds(void)
{
    std::vector<FuzzBytes> seeds;
    FuzzBytes all;
    for (uint8_t i = 0; i < FUZZ_SETTING_COUNT; ++i)
    {
        FuzzBytes one;
        const FuzzSettingName& name = g_rgFuzzSettings[i];
        if (name.bText)
        {
            // A 260-byte block as the store writes it: the text, then zeros.
            wchar_t szBlock[130] = {};
            wcsncpy(szBlock, name.pszDefault, 129);
            AddSetting(&one, i, REG_SZ, szBlock, sizeof(szBlock));
        }
        else
        {
            const uint32_t v = name.dwDefault + 1;
            AddSetting(&one, i, REG_DWORD, &v, 4);
        }
        all.insert(all.end(), one.begin(), one.end());
        seeds.push_back(one);
    }
    seeds.push_back(all);
    return seeds;
}

std::vector<FuzzBytes> ExifSeeds(void)
{
    // An APP1 "Exif" block before the frame of a small JPEG: a little-endian
    // TIFF header, IFD0 with orientation 6, make, model and a pointer to the
    // EXIF IFD (date taken), and IFD1 pointing at an embedded preview JPEG.
    const FuzzBytes preview = MakeJpeg(80, 60, JPEG_RGB, Pattern, false, 50);
    FuzzBytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        Put(&tiff, tag, 2);
        Put(&tiff, type, 2);
        Put(&tiff, count, 4);
        Put(&tiff, value, 4);
    };
    const char szMake[] = "Ombrix";          // 7 with the zero
    const char szModel[] = "Handheld One";   // 13
    const char szDate[] = "2026:12:07 05:30:00"; // 20
    // Layout: IFD0 at 8 (5 entries: 2 + 60 + 4 = 66 bytes) -> 74; make at 74,
    // model at 81, date at 94; EXIF IFD at 114 (1 entry: 18 bytes) -> 132;
    // IFD1 at 132 (2 entries: 30 bytes) -> 162; preview at 162.
    Put(&tiff, 5, 2);
    entry(0x010F, 2, sizeof(szMake), 74);
    entry(0x0110, 2, sizeof(szModel), 81);
    entry(0x0112, 3, 1, 6);
    entry(0x0132, 2, sizeof(szDate), 94);
    entry(0x8769, 4, 1, 114);
    Put(&tiff, 132, 4);
    tiff.insert(tiff.end(), szMake, szMake + sizeof(szMake));
    tiff.insert(tiff.end(), szModel, szModel + sizeof(szModel));
    tiff.insert(tiff.end(), szDate, szDate + sizeof(szDate));
    Put(&tiff, 1, 2);
    entry(0x9003, 2, sizeof(szDate), 94);
    Put(&tiff, 0, 4);
    Put(&tiff, 2, 2);
    entry(0x0201, 4, 1, 162);
    entry(0x0202, 4, 1, static_cast<uint32_t>(preview.size()));
    Put(&tiff, 0, 4);
    tiff.insert(tiff.end(), preview.begin(), preview.end());

    const FuzzBytes picture = MakeJpeg(320, 240, JPEG_RGB, Pattern, false, 50);
    FuzzBytes file = {0xFF, 0xD8, 0xFF, 0xE1};
    const size_t cbSegment = 2 + 6 + tiff.size();
    file.push_back(static_cast<uint8_t>(cbSegment >> 8));
    file.push_back(static_cast<uint8_t>(cbSegment));
    file.insert(file.end(), {'E', 'x', 'i', 'f', 0, 0});
    file.insert(file.end(), tiff.begin(), tiff.end());
    file.insert(file.end(), picture.begin() + 2, picture.end());
    // Big-endian variant of the same block is left to the mutations: a
    // flipped byte order mark turns every field.
    return {file};
}
