// CImageLoader: decodes the picture to show and hands it to the renderer.
// Open runs the load on the calling thread (the user-interface thread); the
// worker-thread base only serves Cancel.
#pragma once

#include <windows.h>

#include "viewer/common/worker_thread.h"
#include "viewer/imaging/decode/image_decoder.h"

struct MainWindowData;

// Reads a DWORD setting; lets the loader use the settings store without
// depending on the shell.
typedef DWORD (*SettingQuery)(void);

class CImageLoader : public CWorkerThread
{
public:
    // pfnOptimizedView answers VIEWER_OPTIMIZED_VIEW; null counts as 0.
    CImageLoader(MainWindowData* pData, SettingQuery pfnOptimizedView);
    ~CImageLoader() override;

    // Shows pszPath in place of the shown picture, which it clears first
    // (ClearShownPicture): decoded on this thread and handed to the renderer
    // before it returns.
    void Open(const WCHAR* pszPath);
    // Shows pszPath in a viewer whose picture was cleared: hbmDecoded, taken
    // over, when the file was decoded already with ViewerDecodeOptions; else
    // the file decoded now, as Open does.
    void Show(const WCHAR* pszPath, HBITMAP hbmDecoded);
    void Cancel();
    // 0 when done (picture shown or message set), -1 without a record or
    // when stopped.
    DWORD Run() override;

    const WCHAR* GetFileName() const { return m_szFile; }

private:
    DWORD ShowPicture(HBITMAP hbm);

    MainWindowData* m_pData;
    WCHAR m_szFile[MAX_PATH];
    CImageDecoder m_decoder;
    SettingQuery m_pfnOptimizedView;
    // Set when the path given to Open did not fit: such a name is never
    // opened cut short, it fails as a whole.
    BOOL m_bNameTooLong;
};

// The options every picture shown in the viewer is decoded with; also those
// of a picture decoded ahead of its opening.
void ViewerDecodeOptions(DecodeOptions* pOptions);

// Start origin of a new picture from the record's INITIAL_VIEW_POSITION, the
// renderer's current zoom and the main window's client size.
void InitialViewOrigin(const MainWindowData* pData, HBITMAP hbm, LONG* px, LONG* py);

// The one place where the shown picture leaves the viewer: the render
// stops, the renderer lets go of the picture and the record's bitmap is
// deleted, before the next one is decoded. Each open does it once.
void ClearShownPicture(MainWindowData* pData);
// Makes hbm the record's current picture (owned) and hands it to the
// renderer at its start origin, zoomed to fill or fitted as the modes ask.
// Needs the renderer.
void AdoptPicture(MainWindowData* pData, HBITMAP hbm, bool bOptimizedView);

// Formats "Could not open file:\r\n '%s'" into pszBuffer (cchBuffer units),
// cut to fit.
void FormatOpenFailure(const WCHAR* pszPath, WCHAR* pszBuffer, size_t cchBuffer);
