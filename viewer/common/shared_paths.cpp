#include "viewer/common/shared_paths.h"

WCHAR g_szPicturePath[MAX_PATH];
WCHAR g_szBrowsePath[MAX_PATH];
