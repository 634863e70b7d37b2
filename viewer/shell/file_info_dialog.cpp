#include "viewer/shell/file_info_dialog.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "platform/aygshell/aygshell.h"
#include "viewer/browser/file_list.h"
#include "viewer/common/message_box.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/picture_type.h"
#include "viewer/common/settings.h"
#include "viewer/imaging/decode/exif_info.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/file_info_text.h"

// What the dialog is about: the selected picture's path and the file list's
// texts of it. Lives on the caller's stack for the modal run.
struct FileInfoRequest
{
    WCHAR szPath[MAX_PATH];
    SelectedPictureInfo details;
};

struct PictureHeader
{
    LONG nWidth;
    LONG nHeight;
    int nBitCount;
};

// Each line in a buffer of its own, sized for its longest text.
struct FileInfoLines
{
    WCHAR szName[MAX_PATH + 16];
    WCHAR szFormat[32];
    WCHAR szSize[64];
    WCHAR szDimensions[64];
    WCHAR szDate[48];
    WCHAR szTime[48];
    WCHAR szColors[48];
    WCHAR szTaken[48];       // empty when the photo does not say
    WCHAR szCamera[80];
};

// Width, height and bit count from a header-only decode on a decoder of
// our own, so that neither the viewer's loader nor the thumbnail worker's
// decoder is disturbed. The size is the one the viewer shows: a camera
// photo that it stands upright has its width and height swapped. A decode
// that fails reports all zero: what the output record holds then is
// nothing to show.
static PictureHeader ReadPictureHeader(const WCHAR* pszPath)
{
    PictureHeader header = {};
    CImageDecoder decoder;
    DecodeOptions options = {};
    options.flags = DECODE_HEADER_ONLY | (GetAutoRotate() ? DECODE_UPRIGHT : 0);
    options.type = PICTYPE_BY_EXTENSION;
    HBITMAP hbm = decoder.LoadNow(pszPath, &options);
    if (hbm)
        DeleteObject(hbm); // header-only decodes make none; never leak one
    if (options.info.biWidth > 0 && options.info.biHeight != 0)
    {
        header.nWidth = options.info.biWidth;
        header.nHeight = labs(options.info.biHeight);
        header.nBitCount = options.info.biBitCount;
    }
    return header;
}

// The EXIF block of a JPEG, WebP or HEIF file. *pInfo is left as it is (the
// caller's zeroes: nothing to show) for every other type and for a file
// that cannot be read.
static void ReadCameraFacts(const FileInfoRequest& request, ExifInfo* pInfo)
{
    ExifInfo info;
    if (CImageDecoder::ReadCameraFacts(request.szPath, request.details.nType, &info))
        *pInfo = info;
}

static void FormatCameraLines(const ExifInfo& exif, FileInfoLines* pLines)
{
    if (exif.bHasTaken)
        FormatTakenLine(exif.stTaken, pLines->szTaken, _countof(pLines->szTaken));
    if (exif.szCamera[0])
        _snwprintf_s(pLines->szCamera, _countof(pLines->szCamera), _TRUNCATE, L"Camera: %ls", exif.szCamera);
}

static void FormatLines(const FileInfoRequest& request, const PictureHeader& header, FileInfoLines* pLines)
{
    WCHAR szName[MAX_PATH];
    FileNamePart(request.szPath, 1, szName, MAX_PATH);
    _snwprintf_s(pLines->szName, _countof(pLines->szName), _TRUNCATE, L"FileName: %ls", szName);

    const int nType = request.details.nType;
    _snwprintf_s(pLines->szFormat, _countof(pLines->szFormat), _TRUNCATE, L"Format: %ls Image",
                 PictureTypeName(nType, L"JPEG"));

    WCHAR szBytes[32];
    FormatThousands(wcstoull(request.details.szSize, NULL, 10), szBytes, _countof(szBytes));
    _snwprintf_s(pLines->szSize, _countof(pLines->szSize), _TRUNCATE, L"Size: %ls bytes", szBytes);

    _snwprintf_s(pLines->szDimensions, _countof(pLines->szDimensions), _TRUNCATE, L"Dimensions: %ld(W) * %ld(H)",
                 header.nWidth, header.nHeight);
    _snwprintf_s(pLines->szDate, _countof(pLines->szDate), _TRUNCATE, L"Date: %ls", request.details.szDate);
    _snwprintf_s(pLines->szTime, _countof(pLines->szTime), _TRUNCATE, L"Time: %ls", request.details.szTime);

    // A GIF is a palette picture whatever depth its decoded bitmap has.
    int nBits = header.nBitCount;
    if (nType == PICTYPE_GIF && header.nWidth > 0)
        nBits = 8;
    _snwprintf_s(pLines->szColors, _countof(pLines->szColors), _TRUNCATE, L"Colors: %d bits per pixel", nBits);
}

// The longest start of psz (a buffer of cch units), ending in "...", that
// the control shows on its one line in its own font; psz itself when it
// fits.
static void CutToControlWidth(HWND hwndControl, WCHAR* psz, size_t cchBuffer)
{
    RECT rc;
    HDC hdc = GetDC(hwndControl);
    if (!hdc)
        return;
    // A control without a font of its own draws with the system font, which
    // the device context already holds.
    const HFONT hFont = reinterpret_cast<HFONT>(SendMessageW(hwndControl, WM_GETFONT, 0, 0));
    HGDIOBJ hOldFont = hFont ? SelectObject(hdc, hFont) : NULL;
    const int cch = lstrlenW(psz);
    SIZE extent = {};
    int nFit = 0;
    if (GetClientRect(hwndControl, &rc) && GetTextExtentExPointW(hdc, psz, cch, rc.right, &nFit, NULL, &extent) &&
        nFit < cch)
    {
        static const WCHAR kEllipsis[] = L"...";
        SIZE ellipsis = {};
        GetTextExtentPoint32W(hdc, kEllipsis, 3, &ellipsis);
        GetTextExtentExPointW(hdc, psz, cch, rc.right > ellipsis.cx ? rc.right - ellipsis.cx : 0, &nFit, NULL,
                              &extent);
        const size_t cchKept = static_cast<size_t>(nFit) + _countof(kEllipsis) <= cchBuffer
                                   ? static_cast<size_t>(nFit) : cchBuffer - _countof(kEllipsis);
        wcscpy_s(psz + cchKept, cchBuffer - cchKept, kEllipsis);
    }
    if (hOldFont)
        SelectObject(hdc, hOldFont);
    ReleaseDC(hwndControl, hdc);
}

// The camera lines that have a text take the OK button's place, one line
// pitch each, and push the button and the dialog's bottom down: a picture
// without them keeps the dialog as it always was.
static void ShowCameraLines(HWND hwnd, FileInfoLines* pLines)
{
    const struct { int nId; WCHAR* psz; size_t cch; } lines[] = {
        {IDC_INFO_TAKEN, pLines->szTaken, _countof(pLines->szTaken)},
        {IDC_INFO_CAMERA, pLines->szCamera, _countof(pLines->szCamera)},
    };
    RECT rcPitch = {0, 0, 0, 10};   // dialog units between two lines
    HWND hwndOk = GetDlgItem(hwnd, IDOK);
    RECT rcOk;
    if (!hwndOk || !MapDialogRect(hwnd, &rcPitch) || !GetWindowRect(hwndOk, &rcOk))
        return;
    MapWindowPoints(NULL, hwnd, reinterpret_cast<POINT*>(&rcOk), 2);
    int yNext = rcOk.top;
    for (const auto& line : lines)
    {
        HWND hwndLine = GetDlgItem(hwnd, line.nId);
        RECT rcLine;
        if (!line.psz[0] || !hwndLine || !GetWindowRect(hwndLine, &rcLine))
            continue;
        MapWindowPoints(NULL, hwnd, reinterpret_cast<POINT*>(&rcLine), 2);
        CutToControlWidth(hwndLine, line.psz, line.cch);
        SetWindowTextW(hwndLine, line.psz);
        SetWindowPos(hwndLine, NULL, rcLine.left, yNext, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(hwndLine, SW_SHOWNA);
        yNext += rcPitch.bottom;
    }
    const int cyMore = yNext - rcOk.top;
    RECT rcDialog;
    if (cyMore == 0 || !GetWindowRect(hwnd, &rcDialog))
        return;
    SetWindowPos(hwndOk, NULL, rcOk.left, rcOk.top + cyMore, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(hwnd, NULL, 0, 0, rcDialog.right - rcDialog.left, rcDialog.bottom - rcDialog.top + cyMore,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Grown, it would reach over the menu bar: it moves up instead.
    KeepBetweenBars(hwnd);
}

static void OnFileInfoInit(HWND hwnd, const FileInfoRequest* pRequest)
{
    // The dialog keeps its template size; the shell adds no done button.
    SHINITDLGINFO shidi = {};
    shidi.dwMask = SHIDIM_FLAGS;
    shidi.hDlg = hwnd;
    shidi.dwFlags = 0;
    SHInitDialog(&shidi);

    if (!pRequest)
        return;
    FileInfoLines lines = {};
    FormatLines(*pRequest, ReadPictureHeader(pRequest->szPath), &lines);
    ExifInfo exif = {};
    ReadCameraFacts(*pRequest, &exif);
    FormatCameraLines(exif, &lines);
    SetDlgItemTextW(hwnd, IDC_INFO_NAME, lines.szName);
    SetDlgItemTextW(hwnd, IDC_INFO_FORMAT, lines.szFormat);
    SetDlgItemTextW(hwnd, IDC_INFO_SIZE, lines.szSize);
    SetDlgItemTextW(hwnd, IDC_INFO_DIMENSIONS, lines.szDimensions);
    SetDlgItemTextW(hwnd, IDC_INFO_DATE, lines.szDate);
    SetDlgItemTextW(hwnd, IDC_INFO_TIME, lines.szTime);
    SetDlgItemTextW(hwnd, IDC_INFO_COLORS, lines.szColors);
    ShowCameraLines(hwnd, &lines);
}

// The heading bitmap that the template's static control loaded: the
// control never deletes it (one bitmap a dialog was lost), so it is taken
// back from the control and deleted here. Taken back first, it cannot be
// deleted twice by a control that would free it itself.
static void OnFileInfoDestroy(HWND hwnd)
{
    for (HWND hwndChild = GetWindow(hwnd, GW_CHILD); hwndChild; hwndChild = GetWindow(hwndChild, GW_HWNDNEXT))
    {
        if ((GetWindowLongW(hwndChild, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP)
            continue;
        WCHAR szClass[16];
        if (!GetClassNameW(hwndChild, szClass, _countof(szClass)) || _wcsicmp(szClass, L"Static") != 0)
            continue;
        HGDIOBJ hbm = reinterpret_cast<HGDIOBJ>(SendMessageW(hwndChild, STM_SETIMAGE, IMAGE_BITMAP, 0));
        if (hbm)
            DeleteObject(hbm);
    }
}

// Only "OK" closes the dialog; nothing else in it reacts.
static INT_PTR CALLBACK FileInfoDlgProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        OnFileInfoInit(hwnd, reinterpret_cast<const FileInfoRequest*>(lParam));
        return TRUE;
    case WM_DESTROY:
        OnFileInfoDestroy(hwnd);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
        {
            EndDialog(hwnd, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void ShowFileInfo(HWND hwndOwner)
{
    FileInfoRequest request = {};
    if (!GetSelectedPicture(request.szPath, MAX_PATH, &request.details))
        return;
    HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwndOwner, GWLP_HINSTANCE));
    DialogBoxParamW(hInstance, MAKEINTRESOURCEW(IDD_FILE_INFO), hwndOwner, FileInfoDlgProc,
                    reinterpret_cast<LPARAM>(&request));
}
