// The application object, its command maps and the way the entry runs it.
#include "platform/mfc/afxwin.h"

#include <cstring>
#include <strsafe.h>

namespace {
CWinApp* g_app = nullptr;
const AFX_MSGMAP_ENTRY kNoEntries[] = {{0, nullptr}};
} // namespace

const AFX_MSGMAP CCmdTarget::messageMap = {nullptr, &kNoEntries[0]};

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return &CCmdTarget::messageMap;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindCommandEntry(UINT nID) const
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr; map = map->pBaseMap) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nID != 0; ++entry) {
            if (entry->nID == nID)
                return entry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID)
{
    const AFX_MSGMAP_ENTRY* entry = FindCommandEntry(nID);
    if (entry == nullptr)
        return FALSE;
    (this->*entry->pfn)();
    return TRUE;
}

CWinApp::CWinApp()
{
    // One application per program: a second object would silently take over
    // the entry, so the first one stays the application.
    if (g_app == nullptr)
        g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    for (;;) {
        BOOL got = GetMessageA(&m_msgCur, nullptr, 0, 0);
        if (got == 0)
            break; // WM_QUIT
        if (got == -1) {
            m_msgCur.wParam = static_cast<WPARAM>(-1);
            break;
        }
        TranslateMessage(&m_msgCur);
        DispatchMessageA(&m_msgCur);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return static_cast<int>(m_msgCur.wParam);
}

void CWinApp::OnHelp()
{
    if (m_pszHelpFilePath != nullptr && m_pszHelpFilePath[0] != '\0')
        WinHelpA(nullptr, m_pszHelpFilePath, HELP_FINDER, 0);
}

CWinApp* AfxGetApp()
{
    return g_app;
}

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return -1;

    app->m_hInstance = hInstance;
    app->m_lpCmdLine = lpCmdLine;
    app->m_nCmdShow = nCmdShow;

    // The help file sits beside the program: its name with ".HLP".
    DWORD length = GetModuleFileNameA(hInstance, app->m_helpPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        char* dot = strrchr(app->m_helpPath, '.');
        char* slash = strrchr(app->m_helpPath, '\\');
        if (dot != nullptr && (slash == nullptr || dot > slash))
            *dot = '\0';
        if (SUCCEEDED(StringCchCatA(app->m_helpPath, MAX_PATH, ".HLP")))
            app->m_pszHelpFilePath = app->m_helpPath;
    }

    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
