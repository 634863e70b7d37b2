#include "viewer/imaging/load/image_loader.h"

#include <wchar.h>

#include "viewer/common/settings.h"
#include "viewer/common/wait_cursor.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/imaging/view/view_geometry.h"
#include "viewer/common/main_window_data.h"

CImageLoader::CImageLoader(MainWindowData* pData, SettingQuery pfnOptimizedView)
    : m_pData(pData), m_decoder(), m_pfnOptimizedView(pfnOptimizedView), m_bNameTooLong(FALSE)
{
    m_szFile[0] = L'\0';
}

CImageLoader::~CImageLoader()
{
    // The base's destructor runs after the decoder is gone.
    Stop();
}

void CImageLoader::Open(const WCHAR* pszPath)
{
    if (!pszPath || !m_pData)
        return;
    ClearShownPicture(m_pData);
    Show(pszPath, NULL);
}

void CImageLoader::Show(const WCHAR* pszPath, HBITMAP hbmDecoded)
{
    if (!pszPath)
    {
        if (hbmDecoded)
            DeleteObject(hbmDecoded);
        return;
    }
    m_bNameTooLong = wcslen(pszPath) >= MAX_PATH;
    _snwprintf_s(m_szFile, MAX_PATH, _TRUNCATE, L"%s", pszPath);
    m_decoder.SetCancel(0);
    if (hbmDecoded && !m_bNameTooLong && m_pData && m_pData->pRenderer)
    {
        m_pData->pRenderer->StopRendering();
        ShowPicture(hbmDecoded);
        return;
    }
    if (hbmDecoded)
        DeleteObject(hbmDecoded);
    Run();
}

void CImageLoader::Cancel()
{
    m_decoder.SetCancel(1);
    Stop();
}

void ViewerDecodeOptions(DecodeOptions* pOptions)
{
    ZeroMemory(pOptions, sizeof(*pOptions));
    pOptions->type = PICTYPE_BY_EXTENSION;
    // Upright by the camera's orientation tag, and in the colours the file
    // declares, unless the settings say otherwise.
    pOptions->flags = (GetAutoRotate() ? DECODE_UPRIGHT : 0) | (GetColorManage() ? DECODE_MANAGE_COLOUR : 0);
}

void FormatOpenFailure(const WCHAR* pszPath, WCHAR* pszBuffer, size_t cchBuffer)
{
    _snwprintf_s(pszBuffer, cchBuffer, _TRUNCATE, L"Could not open file:\r\n '%s'", pszPath ? pszPath : L"");
}

void InitialViewOrigin(const MainWindowData* pData, HBITMAP hbm, LONG* px, LONG* py)
{
    *px = 0;
    *py = 0;
    BITMAP bm;
    if (!pData || !hbm || !GetObjectW(hbm, sizeof(bm), &bm))
        return;
    double zoom = pData->pRenderer ? pData->pRenderer->GetZoom() : 1.0;
    RECT rc = {0, 0, 0, 0};
    if (pData->hwndMain)
        GetClientRect(pData->hwndMain, &rc);
    int32_t x, y;
    InitialOrigin(bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight, zoom, rc.right - rc.left,
                  rc.bottom - rc.top, pData->nInitialViewPosition, &x, &y);
    *px = x;
    *py = y;
}

void ClearShownPicture(MainWindowData* pData)
{
    // The renderer lets go first: it must never draw a bitmap that is gone.
    if (pData->pRenderer)
        pData->pRenderer->SetBitmap(NULL);
    if (pData->hbmCurrent)
        DeleteObject(pData->hbmCurrent);
    pData->hbmCurrent = NULL;
}

void AdoptPicture(MainWindowData* pData, HBITMAP hbm, bool bOptimizedView)
{
    CRenderer* pRenderer = pData->pRenderer;
    LONG x, y;
    InitialViewOrigin(pData, hbm, &x, &y);
    pRenderer->SetInitialOrigin(x, y);
    pData->hbmCurrent = hbm;
    pRenderer->LockDrawing();
    pRenderer->SetBitmap(hbm);
    if (bOptimizedView)
        pRenderer->ZoomToFill();
    else if (pData->nFitMode == 1)
        pRenderer->SetFitToScreen(1);
    pRenderer->UnlockDrawing();
}

DWORD CImageLoader::Run()
{
    MainWindowData* pData = m_pData;
    if (!pData || !pData->pRenderer)
        return (DWORD)-1;
    CRenderer* pRenderer = pData->pRenderer;

    ShowWaitCursor();
    pRenderer->StopRendering();

    HBITMAP hbm = NULL;
    if (!m_bNameTooLong)
    {
        DecodeOptions options;
        ViewerDecodeOptions(&options);
        hbm = m_decoder.Load(m_szFile, &options);
    }
    RestoreCursor();

    if (IsStopRequested())
    {
        if (hbm)
            DeleteObject(hbm);
        return (DWORD)-1;
    }
    return ShowPicture(hbm);
}

DWORD CImageLoader::ShowPicture(HBITMAP hbm)
{
    MainWindowData* pData = m_pData;
    CRenderer* pRenderer = pData->pRenderer;
    if (!hbm)
    {
        // The renderer has no picture (ClearShownPicture): it draws why.
        WCHAR szMessage[RENDER_MESSAGE_CHARS + 1];
        FormatOpenFailure(m_szFile, szMessage, RENDER_MESSAGE_CHARS + 1);
        pRenderer->SetMessage(szMessage);
    }
    else
    {
        AdoptPicture(pData, hbm, m_pfnOptimizedView && m_pfnOptimizedView() != 0);
        if (IsStopRequested())
            return 0;
    }
    pRenderer->StartRendering();
    return 0;
}
