#include "viewer/common/wait_cursor.h"

#include <windows.h>

static HCURSOR s_hSavedCursor = NULL;

void ShowWaitCursor(void)
{
    s_hSavedCursor = SetCursor(LoadCursorW(NULL, IDC_WAIT));
}

void RestoreCursor(void)
{
    SetCursor(s_hSavedCursor);
}
