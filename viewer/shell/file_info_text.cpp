#include "viewer/shell/file_info_text.h"

#include <stdio.h>

int FormatThousands(unsigned long long nValue, wchar_t* pszOut, size_t cchOut)
{
    if (!pszOut || cchOut == 0)
        return 0;
    // Digits from the right: the lowest first.
    wchar_t rgDigits[24];
    size_t nDigits = 0;
    do
    {
        rgDigits[nDigits++] = static_cast<wchar_t>(L'0' + nValue % 10);
        nValue /= 10;
    } while (nValue != 0);

    const size_t cchNeeded = nDigits + (nDigits - 1) / 3 + 1;
    if (cchOut < cchNeeded)
    {
        pszOut[0] = L'\0';
        return 0;
    }
    size_t k = 0;
    for (size_t i = nDigits; i-- > 0;)
    {
        pszOut[k++] = rgDigits[i];
        if (i > 0 && i % 3 == 0)
            pszOut[k++] = L',';
    }
    pszOut[k] = L'\0';
    return 1;
}

void FormatTakenLine(const SYSTEMTIME& st, wchar_t* pszOut, size_t cchOut)
{
    if (!pszOut || cchOut == 0)
        return;
    // The file list's rule, so that both dates of a photo read alike: hours
    // up to 12 are "AM".
    const int nHour = st.wHour > 12 ? st.wHour - 12 : st.wHour;
    _snwprintf_s(pszOut, cchOut, _TRUNCATE, L"Taken: %d-%d-%d %ls %d:%d:%d", st.wYear, st.wMonth, st.wDay,
                 st.wHour <= 12 ? L"AM" : L"PM", nHour, st.wMinute, st.wSecond);
}
