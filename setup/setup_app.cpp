// setup.exe: the framework's entry runs this application object.
#include "setup/setup_app.h"

#include "setup/launch_manager.h"

BEGIN_MESSAGE_MAP(CSetupApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CSetupApp theApp;

BOOL CSetupApp::InitInstance()
{
    if (!LaunchApplicationManager())
        MessageBoxA(nullptr, "", "Error", MB_ICONEXCLAMATION | MB_OK);
    return FALSE;
}
