// The EXIF reader: what it takes from good blocks, and what it makes of
// broken ones (nothing, without crashing, hanging or going past its memory
// cap).
#include <gtest/gtest.h>
#include <windows.h>

#include <libexif/exif-data.h>
#include <libexif/exif-tag.h>

#include <vector>

#include "tests/imaging/exif_blocks.h"
#include "tests/imaging/test_pictures.h"
#include "viewer/imaging/exif_budget.h"
#include "viewer/imaging/exif_info.h"

namespace {

const uint16_t kOrientation = 0x0112, kDateTime = 0x0132, kMake = 0x010F, kModel = 0x0110;
const uint16_t kExifDir = 0x8769, kDateTaken = 0x9003, kPreviewAt = 0x0201, kPreviewLength = 0x0202;

Bytes Picture(int w = 32, int h = 24)
{
    return MakeJpeg(w, h, JPEG_RGB, [](int x, int y) { return x < 16 ? 0xFF0000u : 0x0000FFu; });
}

Bytes PreviewJpeg() { return Picture(16, 12); }

// A 160 x 120 preview as big as a camera's (some 10 KB).
Bytes NoisyPreview()
{
    return MakeJpeg(160, 120, JPEG_RGB, [](int x, int y) { return (x * 7919u + y * 104729u) * 2654435761u >> 8; },
                    false, 85);
}

BOOL Parse(const Bytes& file, ExifInfo* pInfo)
{
    return ParseExifInfo(file.data(), static_cast<DWORD>(file.size()), static_cast<DWORD>(file.size()), pInfo);
}

void ExpectNoExif(const ExifInfo& info)
{
    EXPECT_EQ(info.nOrientation, 1);
    EXPECT_FALSE(info.bHasTaken);
    EXPECT_EQ(info.szCamera[0], 0);
    EXPECT_EQ(info.dwPreviewOffset, 0u);
    EXPECT_EQ(info.dwPreviewLength, 0u);
}

// Whatever a broken block gave must still be safe to use.
void ExpectSane(const ExifInfo& info, size_t cbFile)
{
    EXPECT_TRUE(info.nOrientation >= 1 && info.nOrientation <= 8);
    EXPECT_LE(static_cast<size_t>(info.dwPreviewOffset) + info.dwPreviewLength, cbFile);
    EXPECT_EQ(info.dwPreviewOffset == 0, info.dwPreviewLength == 0);
    EXPECT_LT(wcslen(info.szCamera), ARRAYSIZE(info.szCamera));
}

// A camera's block: the fields the viewer reads among the usual others, a
// maker note, and a preview.
ExifBlockBuilder CameraBlock(bool bBigEndian, const Bytes& preview)
{
    ExifBlockBuilder b(bBigEndian);
    b.Camera(6, "2021:07:14 09:05:33", "Canon", "Canon PowerShot A520");
    b.Ascii(DIR_0, kDateTime, "2021:07:15 10:00:00");
    b.Ascii(DIR_0, 0x0131, "Firmware Version 1.00");
    b.Short(DIR_0, 0x0128, 2);
    b.Raw(DIR_0, 0x011A, 5, 1, Bytes{0, 0, 0, 72, 0, 0, 0, 1});
    b.Raw(DIR_0, 0x011B, 5, 1, Bytes{0, 0, 0, 72, 0, 0, 0, 1});
    b.Ascii(DIR_EXIF, 0x9004, "2021:07:14 09:05:33");
    b.Raw(DIR_EXIF, 0x9000, 7, 4, Bytes{'0', '2', '2', '0'});
    b.Raw(DIR_EXIF, 0x829A, 5, 1, Bytes{1, 0, 0, 0, 60, 0, 0, 0});
    b.Raw(DIR_EXIF, 0x829D, 5, 1, Bytes{28, 0, 0, 0, 10, 0, 0, 0});
    b.Short(DIR_EXIF, 0x8827, 100);
    b.Short(DIR_EXIF, 0x9209, 16);
    b.Long(DIR_EXIF, 0xA002, 2592);
    b.Long(DIR_EXIF, 0xA003, 1944);
    b.Raw(DIR_EXIF, 0x927C, 7, 1800, Bytes(1800, 0));   // the maker note: an empty directory and padding
    b.Raw(DIR_EXIF, 0x9286, 7, 264, Bytes(264, 0));
    b.Preview(preview);
    return b;
}

TEST(ExifInfoTest, ReadsOrientationTakenCameraAndPreviewInBothByteOrders)
{
    for (bool bBig : {false, true})
    {
        SCOPED_TRACE(bBig ? "big-endian" : "little-endian");
        const Bytes preview = PreviewJpeg();
        ExifBlockBuilder b = CameraBlock(bBig, preview);
        const Bytes file = WithApp1(Picture(), b.Block());
        ExifInfo info;
        ASSERT_TRUE(Parse(file, &info));
        EXPECT_EQ(info.nOrientation, 6);
        ASSERT_TRUE(info.bHasTaken);
        const SYSTEMTIME& t = info.stTaken;   // a Wednesday
        EXPECT_EQ(std::vector<int>({2021, 7, 14, 9, 5, 33, 3}),
                  std::vector<int>({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wDayOfWeek}));
        EXPECT_STREQ(info.szCamera, L"Canon PowerShot A520");
        // The TIFF header follows SOI (2), the marker and length (4) and "Exif\0\0".
        EXPECT_EQ(info.dwPreviewOffset, 2 + 4 + 6 + b.PreviewOffset());
        ASSERT_EQ(info.dwPreviewLength, preview.size());
        EXPECT_EQ(0, memcmp(&file[info.dwPreviewOffset], preview.data(), preview.size()));
    }
}

TEST(ExifInfoTest, OrientationDateAndCameraRules)
{
    // Orientations out of range read as upright.
    for (int n : {0, 1, 2, 5, 8, 9, 0xFFFF})
    {
        ExifBlockBuilder b;
        b.Camera(n, nullptr, "Maker", nullptr);
        ExifInfo info;
        ASSERT_TRUE(Parse(WithApp1(Picture(), b.Block()), &info));
        EXPECT_EQ(info.nOrientation, n >= 1 && n <= 8 ? n : 1) << n;
    }
    struct DateCase { const char* pszOriginal; const char* pszChanged; int nDay; };
    const DateCase dates[] = {
        {"2020:02:29 23:59:59", nullptr, 29},              // a leap day
        {nullptr, "2019:12:31 12:00:00", 31},              // the file's date when the shot's is missing
        {"0000:00:00 00:00:00", "2019:12:30 12:00:00", 30}, // a camera whose clock was never set
        {"2019:02:29 10:00:00", nullptr, 0},               // no such day
        {"2019:11:31 10:00:00", nullptr, 0},
        {"2019:12:01 24:00:00", nullptr, 0},
        {"    :  :     :  :  ", nullptr, 0},
        {"2019-12-01 10:00:00", nullptr, 0},
        {"2019:12:0", nullptr, 0},
    };
    for (const DateCase& c : dates)
    {
        SCOPED_TRACE(c.pszOriginal ? c.pszOriginal : "(none)");
        ExifBlockBuilder b;
        b.Camera(1, c.pszOriginal, "Maker", nullptr);
        if (c.pszChanged)
            b.Ascii(DIR_0, kDateTime, c.pszChanged);
        ExifInfo info;
        ASSERT_TRUE(Parse(WithApp1(Picture(), b.Block()), &info));
        EXPECT_EQ(info.bHasTaken != FALSE, c.nDay != 0);
        if (c.nDay)
        {
            EXPECT_EQ(info.stTaken.wDay, c.nDay);
        }
    }
    struct CameraCase { const char* pszMake; const char* pszModel; const wchar_t* pszWant; };
    const CameraCase cameras[] = {
        {"NIKON CORPORATION", "NIKON D70", L"NIKON CORPORATION NIKON D70"},
        {"  Canon  ", "Canon EOS 5D   ", L"Canon EOS 5D"},
        {"OLYMPUS", "olympus u-30", L"olympus u-30"},
        {"Apple", nullptr, L"Apple"},
        {nullptr, "Pixel 7", L"Pixel 7"},
        {"Tab\tMaker", "X", L"Tab Maker X"},
    };
    for (const CameraCase& c : cameras)
    {
        ExifBlockBuilder b;
        b.Camera(1, nullptr, c.pszMake, c.pszModel);
        ExifInfo info;
        ASSERT_TRUE(Parse(WithApp1(Picture(), b.Block()), &info));
        EXPECT_STREQ(info.szCamera, c.pszWant);
    }
    // A long name is cut, never overrun.
    ExifBlockBuilder b;
    std::string longModel(300, 'M');
    b.Camera(1, nullptr, "Maker", longModel.c_str());
    ExifInfo info;
    ASSERT_TRUE(Parse(WithApp1(Picture(), b.Block()), &info));
    EXPECT_EQ(wcslen(info.szCamera), ARRAYSIZE(info.szCamera) - 1);
    EXPECT_EQ(std::wstring(info.szCamera, 6), L"Maker ");
}

TEST(ExifInfoTest, ReadsFromTheOpenFileAndLeavesItAtItsStart)
{
    TempFolder temp;
    const Bytes file = WithApp1(Picture(), CameraBlock(false, PreviewJpeg()).Block());
    HANDLE h = CreateFileW(temp.Write(L"camera.jpg", file).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                           OPEN_EXISTING, 0, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFilePointer(h, 100, NULL, FILE_BEGIN);
    ExifInfo fromFile, fromMemory;
    EXPECT_TRUE(ReadExifInfo(h, &fromFile));
    EXPECT_EQ(SetFilePointer(h, 0, NULL, FILE_CURRENT), 0u);
    CloseHandle(h);
    ASSERT_TRUE(Parse(file, &fromMemory));
    EXPECT_EQ(0, memcmp(&fromFile, &fromMemory, sizeof(fromFile)));

    // A plain JPEG, and not a JPEG at all.
    for (const Bytes& plain : {Picture(), Bytes(5000, 'x')})
    {
        h = CreateFileW(temp.Write(L"plain.jpg", plain).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                        OPEN_EXISTING, 0, NULL);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ExifInfo info;
        EXPECT_FALSE(ReadExifInfo(h, &info));
        ExpectNoExif(info);
        CloseHandle(h);
    }
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
    // Point the first directory's EXIF pointer (added last) at a new directory.
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
    // The first directory: its entries are orientation, make, model; add
    // the pointer by turning the orientation entry into one.
    b.Put16(&block, tiff + 8 + 2, kExifDir);
    b.Put16(&block, tiff + 8 + 2 + 2, 4);
    b.Put32(&block, tiff + 8 + 2 + 4, 1);
    b.Put32(&block, tiff + 8 + 2 + 8, dirAt);
    return block;
}

TEST(ExifInfoTest, MemoryStaysUnderTheCap)
{
    // A camera's block, preview and maker note included, is read under its cap ...
    const Bytes camera = CameraBlock(false, NoisyPreview()).Block();
    ExifInfo info;
    ASSERT_TRUE(Parse(WithApp1(Picture(), camera), &info));
    EXPECT_NE(info.dwPreviewLength, 0u);

    // ... and a block that asks for forty times its size is refused whole,
    // never taking more than its cap.
    const Bytes bomb = CopyBombBlock();
    ASSERT_LT(bomb.size(), 65533u);
    EXPECT_FALSE(Parse(WithApp1(Picture(), bomb), &info));
    ExpectNoExif(info);

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
    EXPECT_EQ(budget.cbInUse, 0u);   // everything came back
}

TEST(ExifInfoTest, BrokenBlocksReadAsNoExifOrStaySafe)
{
    const Bytes preview = PreviewJpeg();
    const Bytes good = CameraBlock(false, preview).Block();

    // Cut at every length: a cut block may still give what came before the
    // cut, never anything outside the file.
    for (size_t cb = 0; cb < good.size(); cb += (cb < 400 ? 1 : 97))
    {
        Bytes cut(good.begin(), good.begin() + cb);
        const Bytes file = WithApp1(Picture(), cut);
        ExifInfo info;
        Parse(file, &info);
        ExpectSane(info, file.size());
        // The file itself cut inside the block.
        const Bytes whole = WithApp1(Picture(), good);
        Bytes cutFile(whole.begin(), whole.begin() + std::min(whole.size(), 12 + cb));
        Parse(cutFile, &info);
        ExpectSane(info, cutFile.size());
        if (cb < good.size() - preview.size())
        {
            EXPECT_EQ(info.dwPreviewLength, 0u) << cb;
        }
    }

    struct Broken { const char* pszWhat; Bytes block; };
    std::vector<Broken> cases;
    {
        // The EXIF directory pointing back at the first one.
        ExifBlockBuilder b;
        b.Camera(3, "2020:01:01 00:00:00", "Maker", nullptr);
        b.Long(DIR_0, kExifDir, 8);
        cases.push_back({"directory loop", b.Block()});
    }
    {
        // The second directory's place is the first directory.
        ExifBlockBuilder b;
        b.Camera(3, nullptr, "Maker", nullptr);
        b.Preview(preview);
        Bytes block = b.Block();
        b.Put32(&block, 6 + 8 + 2 + 12 * 2, 8);
        cases.push_back({"second directory loops", block});
    }
    {
        ExifBlockBuilder b;
        b.Camera(3, nullptr, "Maker", nullptr);
        b.Long(DIR_1, kPreviewAt, 0x7FFFFFF0);
        b.Long(DIR_1, kPreviewLength, 1000);
        cases.push_back({"preview outside the file", b.Block()});
    }
    {
        ExifBlockBuilder b;
        b.Camera(3, nullptr, "Maker", nullptr);
        b.Long(DIR_1, kPreviewAt, 8);
        b.Long(DIR_1, kPreviewLength, 0xFFFFFFF0);
        cases.push_back({"preview length past the end", b.Block()});
    }
    {
        ExifBlockBuilder b;
        b.Camera(3, nullptr, "Maker", nullptr);
        b.Preview(Bytes(3000, 0x42));
        cases.push_back({"preview that is not a JPEG", b.Block()});
    }
    {
        ExifBlockBuilder b;
        b.Camera(3, nullptr, "Maker", nullptr);
        b.Raw(DIR_0, 0x0131, 2, 0xFFFFFFFF, Bytes{0, 0, 0, 16});
        b.Raw(DIR_EXIF, 0x9286, 7, 0x40000000, Bytes{0, 0, 0, 16});
        Bytes block = b.Block();
        cases.push_back({"huge counts", block});
    }
    {
        // The first directory claims 65535 entries.
        ExifBlockBuilder b;
        b.Camera(3, nullptr, "Maker", nullptr);
        Bytes block = b.Block();
        b.Put16(&block, 6 + 8, 0xFFFF);
        cases.push_back({"huge entry count", block});
    }
    {
        // A maker note that libexif tries to read as the maker's directory.
        ExifBlockBuilder b;
        b.Camera(3, nullptr, "Canon", "Canon X");
        Bytes note(2000);
        for (size_t i = 0; i < note.size(); i++)
            note[i] = static_cast<uint8_t>(i * 37 + (i >> 3));
        note[0] = 0xFF, note[1] = 0xFF;
        b.Raw(DIR_EXIF, 0x927C, 7, static_cast<uint32_t>(note.size()), note);
        cases.push_back({"garbage maker note", b.Block()});
    }
    {
        Bytes block = CameraBlock(false, preview).Block();
        block[6] = 'X';
        cases.push_back({"unknown byte order", block});
    }
    for (const Broken& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        const Bytes file = WithApp1(Picture(), c.block);
        ExifInfo info;
        Parse(file, &info);
        ExpectSane(info, file.size());
        EXPECT_EQ(info.dwPreviewLength, 0u);
    }

    // Broken segment lengths before the block: no block found.
    Bytes file = WithApp1(Picture(), good);
    Bytes shortLength = file;
    shortLength[4] = 0, shortLength[5] = 1;
    Bytes pastTheEnd = file;
    pastTheEnd.resize(200);
    pastTheEnd[4] = 0xFF, pastTheEnd[5] = 0xFF;
    ExifInfo info;
    EXPECT_FALSE(Parse(shortLength, &info));
    ExpectNoExif(info);
    Parse(pastTheEnd, &info);
    ExpectSane(info, pastTheEnd.size());
}

} // namespace
