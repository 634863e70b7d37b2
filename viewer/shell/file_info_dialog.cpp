#include "viewer/shell/file_info_dialog.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "platform/aygshell/aygshell.h"
#include "viewer/browser/file_list.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/picture_type.h"
#include "viewer/imaging/image_decoder.h"
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
};

// Width, height and bit count from a header-only decode on a decoder of
// our own, so that neither the viewer's loader nor the thumbnail worker's
// decoder is disturbed. A decode that fails reports all zero: what the
// output record holds then is nothing to show.
static PictureHeader ReadPictureHeader(const WCHAR* pszPath)
{
    PictureHeader header = {};
    CImageDecoder decoder;
    DecodeOptions options = {};
    options.flags = DECODE_HEADER_ONLY;
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
    SetDlgItemTextW(hwnd, IDC_INFO_NAME, lines.szName);
    SetDlgItemTextW(hwnd, IDC_INFO_FORMAT, lines.szFormat);
    SetDlgItemTextW(hwnd, IDC_INFO_SIZE, lines.szSize);
    SetDlgItemTextW(hwnd, IDC_INFO_DIMENSIONS, lines.szDimensions);
    SetDlgItemTextW(hwnd, IDC_INFO_DATE, lines.szDate);
    SetDlgItemTextW(hwnd, IDC_INFO_TIME, lines.szTime);
    SetDlgItemTextW(hwnd, IDC_INFO_COLORS, lines.szColors);
}

// Only "OK" closes the dialog; nothing else in it reacts.
static INT_PTR CALLBACK FileInfoDlgProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        OnFileInfoInit(hwnd, reinterpret_cast<const FileInfoRequest*>(lParam));
        return TRUE;
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
