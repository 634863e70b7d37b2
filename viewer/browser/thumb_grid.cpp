#include "viewer/browser/thumb_grid.h"

// Captions longer than this (with their extension) are cut.
#define CAPTION_FULL_NAME_LIMIT 16
#define CAPTION_KEPT_CHARS 10

long ThumbContentHeight(long nEntries)
{
    return (nEntries - 1) / THUMB_COLUMNS * THUMB_PITCH_Y + THUMB_LAST_ROW_HEIGHT;
}

long ThumbRowTop(long nIndex)
{
    return nIndex / THUMB_COLUMNS * THUMB_PITCH_Y;
}

bool IsThumbRowVisible(long nIndex, long nScrollOffset, long nViewHeight)
{
    if (nIndex < 0)
        return false;
    const long t = ThumbRowTop(nIndex);
    return nScrollOffset - THUMB_PITCH_Y <= t && t <= nScrollOffset + nViewHeight;
}

long ThumbHitTest(long x, long y, long nEntries, long nScrollOffset)
{
    // Truncation toward zero keeps x 0 to 4 in the first column.
    const long nColumn = (x - 5) / THUMB_PITCH_X;
    if (nColumn < 0 || nColumn >= THUMB_COLUMNS || nEntries <= 0)
        return -1;
    const long nRows = nEntries / THUMB_COLUMNS + (nEntries % THUMB_COLUMNS ? 1 : 0);
    for (long r = 0; r < nRows; ++r)
    {
        const long nTop = r * THUMB_PITCH_Y - nScrollOffset;
        if (nTop + 4 < y && y < nTop + 86)
        {
            const long nIndex = r * THUMB_COLUMNS + nColumn;
            return nIndex < nEntries ? nIndex : -1;
        }
    }
    return -1;
}

long ClampThumbOffset(long nOffset, long nMaxOffset)
{
    if (nOffset > nMaxOffset)
        nOffset = nMaxOffset;
    return nOffset < 0 ? 0 : nOffset;
}

void FormatThumbCaption(const wchar_t* pszName, wchar_t* pszOut, size_t cchOut)
{
    if (!pszOut || cchOut == 0)
        return;
    pszOut[0] = L'\0';
    if (!pszName)
        return;
    const size_t cchFull = wcslen(pszName);
    const wchar_t* pszDot = wcsrchr(pszName, L'.');
    size_t cchKept = pszDot ? (size_t)(pszDot - pszName) : cchFull;
    const bool bCut = cchFull >= CAPTION_FULL_NAME_LIMIT;
    if (bCut && cchKept > CAPTION_KEPT_CHARS)
        cchKept = CAPTION_KEPT_CHARS;
    const wchar_t* pszTail = bCut ? L"..." : L"";
    const size_t cchTail = wcslen(pszTail);
    // A buffer too small for the whole caption keeps what fits.
    if (cchKept > cchOut - 1)
        cchKept = cchOut - 1;
    wmemcpy(pszOut, pszName, cchKept);
    size_t n = cchKept;
    for (size_t i = 0; i < cchTail && n < cchOut - 1; ++i)
        pszOut[n++] = pszTail[i];
    pszOut[n] = L'\0';
}
