#include "window_test_support.h"

#include <atomic>
#include <stdio.h>
#include <stdlib.h>
#include <thread>

void Pump(DWORD dwMs)
{
    DWORD dwStart = GetTickCount();
    MSG msg;
    do
    {
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            if (msg.message != WM_QUIT)
                DispatchMessageW(&msg);
        Sleep(5);
    } while (GetTickCount() - dwStart < dwMs);
}

bool PumpUntil(const std::function<bool()>& done, DWORD dwMs)
{
    DWORD dwStart = GetTickCount();
    while (!done())
    {
        if (GetTickCount() - dwStart > dwMs)
            return false;
        Pump(10);
    }
    return true;
}

bool WhileWindowShows(const std::function<HWND()>& find, const std::function<void(HWND)>& act,
                      const std::function<void()>& send, DWORD dwMs)
{
    std::atomic<bool> bSeen{false}, bDone{false};
    std::thread watcher([&] {
        for (DWORD dwStart = GetTickCount(); !bSeen && GetTickCount() - dwStart < dwMs; Sleep(10))
        {
            HWND hwnd = find();
            if (hwnd && IsWindowVisible(hwnd))
            {
                bSeen = true;
                act(hwnd);
            }
        }
        bDone = true;
    });
    send();
    PumpUntil([&] { return bDone.load(); }, dwMs + 5000);
    watcher.join();
    return bSeen;
}

COLORREF WindowPixel(HWND hwnd, int x, int y)
{
    HDC hdc = GetDC(hwnd);
    COLORREF cr = GetPixel(hdc, x, y);
    ReleaseDC(hwnd, hdc);
    return cr;
}

bool ColoursNear(COLORREF a, COLORREF b, int nTolerance)
{
    return abs(GetRValue(a) - GetRValue(b)) <= nTolerance && abs(GetGValue(a) - GetGValue(b)) <= nTolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= nTolerance;
}

void WriteSolidBmp(const std::wstring& path, int w, int h, COLORREF cr)
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
    std::string rows((size_t)stride * h, '\0');
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            char* p = &rows[(size_t)y * stride + x * 3];
            p[0] = (char)GetBValue(cr);
            p[1] = (char)GetGValue(cr);
            p[2] = (char)GetRValue(cr);
        }
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return;
    fwrite(&file, sizeof(file), 1, f);
    fwrite(&info, sizeof(info), 1, f);
    fwrite(rows.data(), rows.size(), 1, f);
    fclose(f);
}
