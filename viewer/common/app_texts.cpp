#include "viewer/common/app_texts.h"

#define APP_TEXT_CHARS 100

static WCHAR s_szAppTitle[APP_TEXT_CHARS + 1];
static WCHAR s_szAppClass[APP_TEXT_CHARS + 1];

void LoadAppTexts(HINSTANCE hInstance, UINT nTitleId, UINT nClassNameId)
{
    LoadStringW(hInstance, nClassNameId, s_szAppClass, APP_TEXT_CHARS);
    LoadStringW(hInstance, nTitleId, s_szAppTitle, APP_TEXT_CHARS);
}

LPCWSTR GetAppTitle(void)
{
    return s_szAppTitle;
}

LPCWSTR GetAppClassName(void)
{
    return s_szAppClass;
}
