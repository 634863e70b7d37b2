// Pieces every benchmark uses: a millisecond clock, medians, a JPEG made
// with libjpeg and the 240 x 268 window of the viewer surface.
#pragma once

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include <jpeglib.h>

#include "viewer/imaging/decode/image_decoder.h"

inline double NowMs()
{
    static LARGE_INTEGER freq = {};
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Making a w x h 24-bit bitmap as the decoder does and writing it once: the
// part of a decode that is the memory's, reported apart.
inline double NewBitmapFirstTouchMs(int w, int h)
{
    const double t0 = NowMs();
    HBITMAP hbm = CImageDecoder::CreateDib(NULL, w, h, 24);
    BITMAP bm;
    if (hbm && GetObjectW(hbm, sizeof(bm), &bm) == sizeof(bm) && bm.bmBits)
        memset(bm.bmBits, 0, static_cast<size_t>(bm.bmWidthBytes) * bm.bmHeight);
    const double ms = NowMs() - t0;
    if (hbm)
        DeleteObject(hbm);
    return ms;
}

// A baseline quality-90 RGB JPEG of w x h; fillRow(y, row) writes row y
// (w x 3 samples, red first).
template <class FillRow>
bool WriteTestJpeg(const wchar_t* pszPath, int w, int h, FillRow fillRow)
{
    FILE* f = _wfopen(pszPath, L"wb");
    if (!f)
        return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; y++)
    {
        fillRow(y, row.data());
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    fclose(f);
    return true;
}

// A visible popup where the viewer surface sits (below the top bar).
inline HWND CreateBenchWindow(const wchar_t* pszClass)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = pszClass;
    RegisterClassW(&wc);
    return CreateWindowExW(0, pszClass, L"", WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, NULL, NULL, wc.hInstance,
                           NULL);
}
