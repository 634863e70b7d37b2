#include "viewer/common/image_error.h"

#include "viewer/common/message_box.h"

// No lock: a plain aligned 32-bit value; a read after an operation tells the
// most recent failure of any thread.
static volatile LONG s_nImageError = IMGERR_NONE;

static const WCHAR* const s_rgszErrorText[IMGERR_COUNT] = {
    L"No Error",
    L"Could not allocated memory",
    L"Null Object error",
    L"File not found",
    L"Could not read file",
    L"Unknown format error",
    L"Could not written file",
    L"Could not create GDI object",
    L"NULL GDI DC error",
    L"Ineffective area error",
    L"Unknown error",
    L"Workform overflow",
    L"Could not create workform",
    L"Could not create window",
    L"Could not save file",
    L"Could not create selection",
    L"Active layer not found",
    L"Not supported Bitmap compression format.",
    L"Count not allocate memory for UNDO function",
    L"BackGround not found",
    L"Icon image size is over the limit! Resize it within 255x255(width x height) pixel. or Crop it!",
    L"This icon has 257 colors! You have to reduce them to 256 color first",
};

int GetImageError(void)
{
    return (int)s_nImageError;
}

void SetImageError(int nCode)
{
    s_nImageError = nCode;
}

void ClearImageError(void)
{
    s_nImageError = IMGERR_NONE;
}

const WCHAR* ImageErrorTextOf(int nCode)
{
    if (nCode < 0 || nCode >= IMGERR_COUNT)
        return s_rgszErrorText[IMGERR_UNKNOWN];
    return s_rgszErrorText[nCode];
}

const WCHAR* GetImageErrorText(void)
{
    return ImageErrorTextOf(GetImageError());
}

void ShowImageError(void)
{
    int nCode = GetImageError();
    if (nCode == IMGERR_NONE)
        return;
    ShowMessageBox(NULL, ImageErrorTextOf(nCode), L"ERROR", MB_OK | MB_ICONERROR);
    ClearImageError();
}
