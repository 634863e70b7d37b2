#include "window_test_support.h"
#include <atomic>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <thread>

bool PollUntil(const std::function<bool()>& done, DWORD dwMs) {
    for (DWORD dwStart = GetTickCount(); !done(); Sleep(5))
        if (GetTickCount() - dwStart > dwMs)
            return false;
    return true;
}

bool WhileWindowShows(const std::function<HWND()>& find, const std::function<void(HWND)>& act,
                      const std::function<void()>& send, DWORD dwMs) {
    std::atomic<bool> bSeen{false}, bDone{false};
    std::thread watcher([&] {
        HWND hwnd = NULL;
        if (PollUntil([&] { return (hwnd = find()) != NULL && IsWindowVisible(hwnd); }, dwMs)) {
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

COLORREF WindowPixel(HWND hwnd, int x, int y) {
    HDC hdc = GetDC(hwnd);
    COLORREF cr = GetPixel(hdc, x, y);
    ReleaseDC(hwnd, hdc);
    return cr;
}

bool ColoursNear(COLORREF a, COLORREF b, int nTolerance) {
    return abs(GetRValue(a) - GetRValue(b)) <= nTolerance && abs(GetGValue(a) - GetGValue(b)) <= nTolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= nTolerance;
}

void WriteSolidBmp(const std::wstring& path, int w, int h, COLORREF cr) {
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {0x4D42};
    BITMAPINFOHEADER info = {sizeof(BITMAPINFOHEADER), w, h, 1, 24};
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + stride * h;
    const char bgr[3] = {(char)GetBValue(cr), (char)GetGValue(cr), (char)GetRValue(cr)};
    std::string rows((size_t)stride * h, '\0');
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            memcpy(&rows[(size_t)y * stride + x * 3], bgr, 3);
    if (FILE* f = _wfopen(path.c_str(), L"wb")) {
        fwrite(&file, sizeof(file), 1, f);
        fwrite(&info, sizeof(info), 1, f);
        fwrite(rows.data(), rows.size(), 1, f);
        fclose(f);
    }
}

void SetFileSize(const std::wstring& path, ULONGLONG cb) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, 0, NULL);
    LARGE_INTEGER li;
    li.QuadPart = (LONGLONG)cb;
    SetFilePointerEx(h, li, NULL, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
}

void SetLocalWriteTime(const std::wstring& path, WORD wYear, WORD wMonth, WORD wDay, WORD wHour, WORD wMinute,
                       WORD wSecond) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    SYSTEMTIME st = {wYear, wMonth, 0, wDay, wHour, wMinute, wSecond, 0};
    FILETIME ftLocal, ft;
    SystemTimeToFileTime(&st, &ftLocal);
    LocalFileTimeToFileTime(&ftLocal, &ft);
    SetFileTime(h, NULL, NULL, &ft);
    CloseHandle(h);
}
