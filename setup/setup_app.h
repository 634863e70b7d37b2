// The installer launcher's application object.
#pragma once

#include "platform/mfc/afxwin.h"

class CSetupApp : public CWinApp {
public:
    // Starts the application manager; shows the "Error" box when that fails.
    // Always FALSE: the program has no window and ends at once.
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
