// Writes the library's BMP and icon files of a known picture into a folder,
// for the host's own tools to read back.
// Usage: write_samples <folder>
#include <windows.h>
#include <stdio.h>
#include <string>

#include "viewer/extras/raster_image.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    // Blue x*20, green y*20, red 99; the icon hides pixel (0, 0).
    RasterImage* p = CreateImage(12, 5, 24, RIF_BOTTOM_UP | RIF_HAS_MASK);
    if (!p || !p->pixels)
        return 1;
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
    memset(p->maskImage->pixels, 0xFF, (size_t)p->maskImage->imageSize);
    GetImageRow(p->maskImage, 0)[0] = 0x7F;
    std::wstring folder = argv[1];
    int nResult = SaveImage(p, (folder + L"\\sample.bmp").c_str()) | SaveImage(p, (folder + L"\\sample.ico").c_str());
    FreeImage(p);
    return nResult == 0 ? 0 : 1;
}
