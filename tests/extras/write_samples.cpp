// Writes the library's BMP and icon files of a known picture into a folder,
// for the host's own tools to read back: one icon with a mask that hides
// pixel (0, 0), one of a picture that has no mask at all.
// Usage: write_samples <folder>
#include <windows.h>

#include <string>

#include "viewer/extras/raster_image.h"

// Blue x*20, green y*20, red 99.
static RasterImage* Sample(DWORD dwFlags)
{
    RasterImage* p = CreateImage(12, 5, 24, RIF_BOTTOM_UP | dwFlags);
    if (!p || !p->pixels)
        return NULL;
    for (LONG y = 0; y < 5; ++y)
    {
        BYTE* pRow = GetImageRow(p, y);
        for (LONG x = 0; x < 12; ++x)
        {
            pRow[3 * x] = (BYTE)(x * 20);
            pRow[3 * x + 1] = (BYTE)(y * 20);
            pRow[3 * x + 2] = 99;
        }
    }
    return p;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    const std::wstring folder = argv[1];
    RasterImage* pMasked = Sample(RIF_HAS_MASK);
    RasterImage* pPlain = Sample(0);
    if (!pMasked || !pPlain)
        return 1;
    memset(pMasked->maskImage->pixels, 0xFF, (size_t)pMasked->maskImage->imageSize);
    GetImageRow(pMasked->maskImage, 0)[0] = 0x7F;
    int nResult = SaveImage(pMasked, (folder + L"\\sample.bmp").c_str());
    nResult |= SaveImage(pMasked, (folder + L"\\sample.ico").c_str());
    nResult |= SaveImage(pPlain, (folder + L"\\plain.ico").c_str());
    FreeImage(pMasked);
    FreeImage(pPlain);
    return nResult == 0 ? 0 : 1;
}
