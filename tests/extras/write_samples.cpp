// Writes the library's BMP of a picture (blue x*20, green y*20, red 99) into a
// folder for the host's tools to read back. Usage: <folder>
#include <windows.h>

#include <string>

#include "viewer/extras/imagefile/raster_image.h"

int wmain(int argc, wchar_t** argv)
{
    RasterImage* p = CreateImage(12, 5, 24, RIF_BOTTOM_UP);
    if (argc < 2 || !p || !p->pixels)
        return 2;
    for (LONG y = 0; y < 5; ++y)
        for (LONG x = 0; x < 12; ++x)
        {
            BYTE* px = GetImageRow(p, y) + 3 * x;
            px[0] = (BYTE)(x * 20), px[1] = (BYTE)(y * 20), px[2] = 99;
        }
    const int nResult = SaveImage(p, (std::wstring(argv[1]) + L"\\sample.bmp").c_str());
    FreeImage(p);
    return nResult == 0 ? 0 : 1;
}
