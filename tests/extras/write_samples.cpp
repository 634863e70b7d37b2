// Writes the library's BMP and icons of a picture (blue x*20, green y*20, red
// 99) into a folder for the host's tools to read back: one icon with a mask
// that hides pixel (0, 0), one of a picture without a mask. Usage: <folder>
#include <windows.h>

#include <string>

#include "viewer/extras/imagefile/raster_image.h"

static RasterImage* Sample(DWORD dwFlags)
{
    RasterImage* p = CreateImage(12, 5, 24, RIF_BOTTOM_UP | dwFlags);
    for (LONG y = 0; p && p->pixels && y < 5; ++y)
        for (LONG x = 0; x < 12; ++x)
        {
            BYTE* px = GetImageRow(p, y) + 3 * x;
            px[0] = (BYTE)(x * 20), px[1] = (BYTE)(y * 20), px[2] = 99;
        }
    return p && p->pixels ? p : NULL;
}

int wmain(int argc, wchar_t** argv)
{
    RasterImage *pMasked = Sample(RIF_HAS_MASK), *pPlain = Sample(0);
    if (argc < 2 || !pMasked || !pPlain)
        return 2;
    const std::wstring folder = argv[1];
    memset(pMasked->maskImage->pixels, 0xFF, (size_t)pMasked->maskImage->imageSize);
    GetImageRow(pMasked->maskImage, 0)[0] = 0x7F;
    const int nResult = SaveImage(pMasked, (folder + L"\\sample.bmp").c_str()) |
                        SaveImage(pMasked, (folder + L"\\sample.ico").c_str()) |
                        SaveImage(pPlain, (folder + L"\\plain.ico").c_str());
    FreeImage(pMasked);
    FreeImage(pPlain);
    return nResult == 0 ? 0 : 1;
}
