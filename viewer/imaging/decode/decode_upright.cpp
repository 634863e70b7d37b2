#include "viewer/imaging/decode/decode_upright.h"

#include <io.h>

#include "viewer/imaging/decode/decode_options.h"
#include "viewer/imaging/decode/exif_info.h"
#include "viewer/imaging/decode/picture_budget.h"
#include "viewer/imaging/decode/picture_orientation.h"

int OrientationToApply(FILE* pFile, const DecodeOptions* pOptions)
{
    if (!pFile || !pOptions || !(pOptions->flags & DECODE_UPRIGHT))
        return EXIF_ORIENTATION_UPRIGHT;
    // Read through the handle under the stream, which has buffered nothing
    // yet; the reader leaves the handle at the start, where the stream
    // believes it is.
    const HANDLE hFile = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(pFile)));
    ExifInfo info;
    if (hFile == INVALID_HANDLE_VALUE || !ReadExifInfo(hFile, &info))
        return EXIF_ORIENTATION_UPRIGHT;
    return info.nOrientation;
}

uint64_t DecodeBudget(uint64_t cbBudget, int nOrientation)
{
    // Only a quarter turn (5 to 8) makes a second bitmap; the others work
    // in place.
    const bool bQuarterTurn = nOrientation >= 5 && nOrientation <= EXIF_ORIENTATION_MAX;
    return bQuarterTurn ? BudgetBesideTurn(cbBudget) : cbBudget;
}

HBITMAP StandUpright(HBITMAP hbm, int nOrientation, DecodeOptions* pOptions)
{
    if (pOptions && (pOptions->flags & DECODE_HEADER_ONLY))
        UprightSize(nOrientation, &pOptions->info.biWidth, &pOptions->info.biHeight);
    return hbm ? OrientBitmap(hbm, nOrientation) : NULL;
}
