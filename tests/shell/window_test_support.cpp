#include "window_test_support.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <vector>

void Pump(DWORD dwMs)
{
    DWORD dwStart = GetTickCount();
    MSG msg;
    do
    {
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        {
            if (msg.message != WM_QUIT)
                DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - dwStart < dwMs);
}

void WriteBmp(const std::wstring& path, int w, int h, COLORREF cr)
{
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + stride * h;
    info.biSize = sizeof(info);
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::vector<BYTE> rows((size_t)stride * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            BYTE* p = &rows[(size_t)y * stride + x * 3];
            p[0] = GetBValue(cr);
            p[1] = GetGValue(cr);
            p[2] = GetRValue(cr);
        }
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(nullptr, f);
    fwrite(&file, sizeof(file), 1, f);
    fwrite(&info, sizeof(info), 1, f);
    fwrite(rows.data(), rows.size(), 1, f);
    fclose(f);
}
