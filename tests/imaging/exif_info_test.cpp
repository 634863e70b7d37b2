// The EXIF reader: what it takes from good blocks, and a block that would
// take far more memory than its size refused under its cap. Broken blocks
// are the fuzz driver's.
#include <gtest/gtest.h>
#include <windows.h>

#include <libexif/exif-data.h>
#include <libexif/exif-tag.h>

#include <vector>

#include "tests/support/exif_blocks.h"
#include "viewer/imaging/decode/exif_budget.h"
#include "viewer/imaging/decode/exif_info.h"

namespace {

const uint16_t kDateTime = 0x0132, kExifDir = 0x8769;

Bytes Picture(int w = 32, int h = 24) { return MakeJpeg(w, h, JPEG_RGB, Quadrants(w, h)); }

ExifInfo Parse(const Bytes& file, BOOL* pbFound = nullptr)
{
    ExifInfo info;
    const BOOL bFound = ParseExifInfo(file.data(), static_cast<DWORD>(file.size()), static_cast<DWORD>(file.size()), &info);
    if (pbFound)
        *pbFound = bFound;
    return info;
}

// What a picture whose block holds these camera fields reads as.
ExifInfo ParseCamera(int nOrientation, const char* pszTaken, const char* pszMake, const char* pszModel,
                     const char* pszChanged = nullptr)
{
    ExifBlockBuilder b;
    b.Camera(nOrientation, pszTaken, pszMake, pszModel);
    if (pszChanged)
        b.Ascii(DIR_0, kDateTime, pszChanged);
    return Parse(WithApp1(Picture(), b.Block()));
}

// A camera's block: the fields the viewer reads among a few others, a maker
// note, and a preview.
ExifBlockBuilder CameraBlock(bool bBigEndian, const Bytes& preview)
{
    ExifBlockBuilder b(bBigEndian);
    b.Camera(6, "2021:07:14 09:05:33", "Canon", "Canon PowerShot A520");
    b.Ascii(DIR_0, kDateTime, "2021:07:15 10:00:00");
    b.Raw(DIR_0, 0x011A, 5, 1, Bytes{0, 0, 0, 72, 0, 0, 0, 1});
    b.Raw(DIR_EXIF, 0x9000, 7, 4, Bytes{'0', '2', '2', '0'});
    b.Long(DIR_EXIF, 0xA002, 2592);
    b.Raw(DIR_EXIF, 0x927C, 7, 1800, Bytes(1800, 0));   // the maker note: an empty directory and padding
    b.Preview(preview);
    return b;
}

TEST(ExifInfoTest, ReadsOrientationTakenCameraAndPreviewInBothByteOrders)
{
    const Bytes preview = Picture(16, 12);
    for (bool bBig : {false, true})
    {
        SCOPED_TRACE(bBig ? "big-endian" : "little-endian");
        const Bytes file = WithApp1(Picture(), CameraBlock(bBig, preview).Block());
        BOOL bFound = FALSE;
        const ExifInfo info = Parse(file, &bFound);
        ASSERT_TRUE(bFound && info.bHasTaken);
        EXPECT_EQ(info.nOrientation, 6);
        const SYSTEMTIME& t = info.stTaken;   // a Wednesday
        EXPECT_EQ(std::vector<int>({2021, 7, 14, 9, 5, 33, 3}),
                  std::vector<int>({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wDayOfWeek}));
        EXPECT_STREQ(info.szCamera, L"Canon PowerShot A520");
        ASSERT_EQ(info.dwPreviewLength, preview.size());
        ASSERT_LE(info.dwPreviewOffset + preview.size(), file.size());
        EXPECT_EQ(0, memcmp(&file[info.dwPreviewOffset], preview.data(), preview.size()));
    }
}

TEST(ExifInfoTest, OrientationDateAndCameraRules)
{
    for (int n : {0, 2, 8, 9, 0xFFFF})   // out of range reads as upright
        EXPECT_EQ(ParseCamera(n, nullptr, "Maker", nullptr).nOrientation, n >= 1 && n <= 8 ? n : 1) << n;

    struct { const char* pszOriginal; const char* pszChanged; int nDay; } const dates[] = {
        {"2020:02:29 23:59:59", nullptr, 29},               // a leap day
        {nullptr, "2019:12:31 12:00:00", 31},               // the file's date when the shot's is missing
        {"0000:00:00 00:00:00", "2019:12:30 12:00:00", 30}, // a camera whose clock was never set
        {"2019:02:29 10:00:00", nullptr, 0},                // no such day
        {"2019:12:01 24:00:00", nullptr, 0},
        {"2019-12-01 10:00:00", nullptr, 0},
        {"2019:12:0", nullptr, 0},
    };
    for (const auto& c : dates)
    {
        const ExifInfo info = ParseCamera(1, c.pszOriginal, "Maker", nullptr, c.pszChanged);
        EXPECT_EQ(c.nDay ? c.nDay : -1, info.bHasTaken ? info.stTaken.wDay : -1)
            << (c.pszOriginal ? c.pszOriginal : "(none)");
    }

    struct { const char* pszMake; const char* pszModel; const wchar_t* pszWant; } const cameras[] = {
        {"NIKON CORPORATION", "NIKON D70", L"NIKON CORPORATION NIKON D70"},
        {"  Canon  ", "Canon EOS 5D   ", L"Canon EOS 5D"},   // the model names the make already
        {nullptr, "Pixel 7", L"Pixel 7"},
        {"Tab\tMaker", "X", L"Tab Maker X"},
    };
    for (const auto& c : cameras)
        EXPECT_STREQ(ParseCamera(1, nullptr, c.pszMake, c.pszModel).szCamera, c.pszWant);
    // A long name is cut, never overrun.
    const ExifInfo info = ParseCamera(1, nullptr, "Maker", std::string(300, 'M').c_str());
    EXPECT_EQ(wcslen(info.szCamera), ARRAYSIZE(info.szCamera) - 1);
    EXPECT_EQ(std::wstring(info.szCamera, 6), L"Maker ");
}

// Every known tag of the EXIF directory, once each, pointing at one shared
// value: libexif copies the value per entry, which a cap must stop.
Bytes CopyBombBlock()
{
    ExifBlockBuilder b;
    b.Camera(6, nullptr, "Maker", "Model");
    Bytes block = b.Block();
    const size_t tiff = 6;
    std::vector<uint16_t> tags;
    for (uint32_t tag = 1; tag < 0xFFFF && tags.size() < 60; tag++)
        if (tag != kExifDir && tag != 0x8825 && tag != 0xA005 && tag != 0x927C &&
            exif_tag_get_name_in_ifd(static_cast<ExifTag>(tag), EXIF_IFD_EXIF))
            tags.push_back(static_cast<uint16_t>(tag));
    // A new directory after the block, its values all at one place after it.
    const uint32_t dirAt = static_cast<uint32_t>(block.size() - tiff);
    const uint32_t valueAt = dirAt + 2 + 12 * static_cast<uint32_t>(tags.size()) + 4;
    const uint32_t cbValue = 40000;
    block.resize(tiff + valueAt + cbValue, 'v');
    b.Put16(&block, tiff + dirAt, static_cast<uint32_t>(tags.size()));
    for (size_t i = 0; i < tags.size(); i++)
    {
        const size_t e = tiff + dirAt + 2 + 12 * i;
        b.Put16(&block, e, tags[i]);
        b.Put16(&block, e + 2, 7);
        b.Put32(&block, e + 4, cbValue);
        b.Put32(&block, e + 8, valueAt);
    }
    b.Put32(&block, tiff + dirAt + 2 + 12 * tags.size(), 0);
    // The first directory's first entry (the make, by tag order) turned into
    // the pointer to the new directory.
    b.Put16(&block, tiff + 8 + 2, kExifDir);
    b.Put16(&block, tiff + 8 + 2 + 2, 4);
    b.Put32(&block, tiff + 8 + 2 + 4, 1);
    b.Put32(&block, tiff + 8 + 2 + 8, dirAt);
    return block;
}

TEST(ExifInfoTest, MemoryStaysUnderTheCap)
{
    // A camera's block, a 160 x 120 preview of some 10 KB and the maker note
    // included, is read under its cap ...
    const Bytes noisy = MakeJpeg(
        160, 120, JPEG_RGB, [](int x, int y) { return (x * 7919u + y * 104729u) * 2654435761u >> 8; }, false, 85);
    EXPECT_NE(Parse(WithApp1(Picture(), CameraBlock(false, noisy).Block())).dwPreviewLength, 0u);

    // ... and a block that asks for forty times its size is refused whole,
    // never taking more than its cap, and gives all of it back.
    const Bytes bomb = CopyBombBlock();
    ASSERT_LT(bomb.size(), 65533u);
    const Bytes file = WithApp1(Picture(), bomb);
    BOOL bFound = TRUE;
    const ExifInfo info = Parse(file, &bFound);
    EXPECT_FALSE(bFound);
    EXPECT_TRUE(info.nOrientation == 1 && !info.bHasTaken && !info.szCamera[0] && !info.dwPreviewLength);
    ExifBudget budget = {};
    budget.cbCap = ExifBudgetFor(bomb.size());
    {
        CExifBudgetScope scope(&budget);
        ExifMem* pMem = scope.NewMem();
        ASSERT_NE(pMem, nullptr);
        ExifData* pData = exif_data_new_mem(pMem);
        exif_mem_unref(pMem);
        ASSERT_NE(pData, nullptr);
        exif_data_load_data(pData, bomb.data(), static_cast<unsigned>(bomb.size()));
        exif_data_unref(pData);
    }
    EXPECT_TRUE(budget.bRefused);
    EXPECT_LE(budget.cbPeak, budget.cbCap);
    EXPECT_EQ(budget.cbInUse, 0u);
}

} // namespace
