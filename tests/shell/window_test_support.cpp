#include "window_test_support.h"

#include <atomic>
#include <stdio.h>
#include <stdlib.h>
#include <thread>

bool PollUntil(const std::function<bool()>& done, DWORD dwMs)
{
    for (DWORD dwStart = GetTickCount(); !done(); Sleep(5))
        if (GetTickCount() - dwStart > dwMs)
            return false;
    return true;
}

bool WhileWindowShows(const std::function<HWND()>& find, const std::function<void(HWND)>& act,
                      const std::function<void()>& send, DWORD dwMs)
{
    std::atomic<bool> bSeen{false}, bDone{false};
    std::thread watcher([&] {
        HWND hwnd = NULL;
        if (PollUntil([&] { return (hwnd = find()) != NULL && IsWindowVisible(hwnd); }, dwMs))
        {
            bSeen = true;
            act(hwnd);
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
    BITMAPFILEHEADER file = {0x4D42};
    BITMAPINFOHEADER info = {sizeof(BITMAPINFOHEADER), w, h, 1, 24};
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + stride * h;
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
