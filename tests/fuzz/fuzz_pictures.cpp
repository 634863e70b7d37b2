// The picture readers: each picture decoded as the viewer and the thumbnail
// worker decode it, and the EXIF block of camera photos.
#include "tests/fuzz/fuzz_targets.h"

#include <string.h>

#include <algorithm>

#include "tests/fuzz/fuzz_watch.h"
#include "tests/support/exif_blocks.h"
#include "tests/support/pictures.h"
#include "viewer/browser/thumb_preview.h"
#include "viewer/imaging/decode/exif_info.h"

namespace {

uint32_t Pattern(int x, int y) { return static_cast<uint32_t>((x * 37) ^ (y * 91)) * 0x010305u; }

// Run-length rows: each row one run of its width (at most 255), an absolute
// run of three padded to a word, an end of line; an end of picture last.
FuzzBytes RleRows(int w, int h, bool bFourBits)
{
    FuzzBytes d;
    for (int y = 0; y < h; ++y)
        d.insert(d.end(), {static_cast<uint8_t>(w), static_cast<uint8_t>(bFourBits ? 0x12 + y : y * 7), 0, 3, 1, 2, 3,
                           0, 0, 0});
    d.insert(d.end(), {0, 1});
    return d;
}

// The file decoded for its header, as the picture to view and as the
// thumbnail worker's reduced decode; dwFlags adds to each.
bool DecodeAll(FuzzContext* pCtx, const std::wstring& path, int nSeed, DWORD dwFlags)
{
    auto load = [&](DWORD dwStep, LONG nReduceMode) {
        DecodeOptions options = {};
        options.flags = dwStep | dwFlags;
        options.type = PICTYPE_BY_EXTENSION;
        options.reduceMode = nReduceMode;
        return pCtx->decoder.LoadNow(path.c_str(), &options);
    };
    HBITMAP hbm = load(DECODE_HEADER_ONLY, 0);
    if (hbm)
    {
        DeleteObject(hbm);
        return Wrong(pCtx, "a header-only decode gave a bitmap");
    }
    NextStep();
    hbm = load(DECODE_SIZE_TEST, 0);
    pCtx->bWicRefusedGif = !hbm && path.compare(path.size() - 4, 4, L".gif") == 0;
    if (nSeed >= 0 && !hbm)
        return Wrong(pCtx, "seed %d does not decode", nSeed);
    if (!CheckPicture(pCtx, hbm, "the picture decode"))
        return false;
    NextStep();
    return CheckPicture(pCtx, load(DECODE_REDUCE | DECODE_SIZE_TEST, 1), "the thumbnail decode");
}

bool CheckExif(FuzzContext* pCtx, const ExifInfo& info, size_t cbFile, const char* pszCall)
{
    if (info.nOrientation < EXIF_ORIENTATION_UPRIGHT || info.nOrientation > EXIF_ORIENTATION_MAX)
        return Wrong(pCtx, "%s gave orientation %d", pszCall, info.nOrientation);
    if (wcsnlen(info.szCamera, 64) == 64)
        return Wrong(pCtx, "%s left the camera name unterminated", pszCall);
    if (info.dwPreviewOffset && (info.dwPreviewLength == 0 || info.dwPreviewOffset > cbFile ||
                                 info.dwPreviewLength > cbFile - info.dwPreviewOffset))
        return Wrong(pCtx, "%s placed the preview at %lu + %lu in a file of %u bytes", pszCall, info.dwPreviewOffset,
                     info.dwPreviewLength, static_cast<unsigned>(cbFile));
    return true;
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

std::vector<FuzzBytes> PvxSeeds(void)
{
    return {
        MakeJpeg(64, 48, JPEG_RGB, Pattern, false, 75), MakeJpeg(45, 60, JPEG_RGB, Pattern, false, 75),
        MakeJpeg(64, 60, JPEG_RGB, Pattern, true, 75),  MakeJpeg(30, 20, JPEG_RGB, Pattern, false, 40),
        MakeJpeg(100, 80, JPEG_RGB, Pattern),
    };
}

// A phone photo's block: orientation 6, date, camera and an embedded
// preview. A flipped byte order mark, left to the mutations, turns every field.
std::vector<FuzzBytes> ExifSeeds(void)
{
    ExifBlockBuilder block;
    block.Camera(6, "2026:12:07 05:30:00", "Ombrix", "Handheld One");
    block.Preview(MakeJpeg(80, 60, JPEG_RGB, Pattern, false, 50));
    return {WithApp1(MakeJpeg(320, 240, JPEG_RGB, Pattern, false, 50), block.Block())};
}

bool RunPicture(FuzzContext* pCtx, const FuzzTarget& target, const FuzzBytes& data, int nSeed)
{
    const std::wstring ext(target.pszExt, target.pszExt + strlen(target.pszExt));
    const std::wstring path = pCtx->work / (L"input" + ext);
    return WriteInput(pCtx, path, data) && DecodeAll(pCtx, path, nSeed, 0);
}

bool RunModernPicture(FuzzContext* pCtx, const FuzzTarget& target, const FuzzBytes& data, int nSeed)
{
    const std::wstring ext(target.pszExt, target.pszExt + strlen(target.pszExt));
    const std::wstring path = pCtx->work / (L"input" + ext);
    if (!WriteInput(pCtx, path, data) || !DecodeAll(pCtx, path, nSeed, DECODE_UPRIGHT))
        return false;
    NextStep();
    ExifInfo info = {};
    info.nOrientation = EXIF_ORIENTATION_UPRIGHT;   // what a file without a block leaves
    CImageDecoder::ReadCameraFacts(path.c_str(), CImageDecoder::TypeFromExtension(path.c_str()), &info);
    return CheckExif(pCtx, info, data.size(), "ReadCameraFacts");
}

// The EXIF block parsed from memory and read from the open file; then the
// thumbnail made from its embedded preview as the worker makes it, and the
// picture stood upright as the viewer opens it.
bool RunExif(FuzzContext* pCtx, const FuzzTarget&, const FuzzBytes& data, int nSeed)
{
    ExifInfo fromMemory = {};
    ParseExifInfo(data.data(), static_cast<DWORD>(std::min<size_t>(data.size(), EXIF_READ_LIMIT)),
                  static_cast<DWORD>(data.size()), &fromMemory);
    const std::wstring path = pCtx->work / L"exif.jpg";
    if (!CheckExif(pCtx, fromMemory, data.size(), "ParseExifInfo") || !WriteInput(pCtx, path, data))
        return false;
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return Wrong(pCtx, "the EXIF input cannot be opened");
    ExifInfo fromFile = {};
    const BOOL bRead = ReadExifInfo(hFile, &fromFile);
    CloseHandle(hFile);
    if (!CheckExif(pCtx, fromFile, data.size(), "ReadExifInfo"))
        return false;
    if (nSeed == 0 && (!bRead || fromFile.nOrientation != 6 || !fromFile.dwPreviewOffset))
        return Wrong(pCtx, "the seed's block was not read (orientation %d)", fromFile.nOrientation);
    NextStep();
    ViewBox fit = {};
    bool bLarge = false;
    volatile int32_t nStop = 0;
    HBITMAP hbm = ThumbFromPreview(path.c_str(), PICTYPE_JPG, true, true, &fit, &bLarge, &nStop);
    if (nSeed == 0 && !hbm)
        return Wrong(pCtx, "the seed's preview made no thumbnail");
    if (!CheckThumbnail(pCtx, hbm, 0, "the embedded preview"))
        return false;
    NextStep();
    return DecodeAll(pCtx, path, nSeed, DECODE_UPRIGHT);
}
