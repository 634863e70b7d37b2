// The EXIF block is found by walking the JPEG's markers ourselves, so that
// libexif only ever sees that one block, and is parsed under a memory cap.
#include "viewer/imaging/decode/exif_info.h"

#include <string.h>

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include "viewer/imaging/decode/exif_budget.h"

namespace {

const BYTE kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};

// Where the APP1 block that starts with the EXIF header lies in pb, or
// false. The walk stops at the first scan, at the end of the buffer, or at
// anything that is not a marker; every step moves on, so it ends.
bool FindExifBlock(const BYTE* pb, DWORD cb, DWORD* pdwStart, DWORD* pcbBlock)
{
    if (cb < 4 || pb[0] != 0xFF || pb[1] != 0xD8)
        return false;
    DWORD pos = 2;
    while (pos < cb)
    {
        if (pb[pos] != 0xFF)
            return false;
        while (pos < cb && pb[pos] == 0xFF)
            pos++;   // fill bytes
        if (pos >= cb)
            return false;
        const BYTE marker = pb[pos++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue;   // markers without a length
        if (marker == 0xDA || marker == 0xD9 || cb - pos < 2)
            return false;
        const DWORD cbSegment = (static_cast<DWORD>(pb[pos]) << 8) | pb[pos + 1];
        if (cbSegment < 2)
            return false;
        const DWORD dwData = pos + 2;
        if (marker == 0xE1 && cbSegment - 2 >= sizeof(kExifHeader) && cb - dwData >= sizeof(kExifHeader) &&
            memcmp(pb + dwData, kExifHeader, sizeof(kExifHeader)) == 0)
        {
            *pdwStart = dwData;
            // A block cut short by the end of what was read is parsed as far
            // as it goes.
            *pcbBlock = cbSegment - 2 < cb - dwData ? cbSegment - 2 : cb - dwData;
            return true;
        }
        if (cbSegment > cb - pos)
            return false;
        pos += cbSegment;
    }
    return false;
}

const ExifEntry* FindEntry(const ExifData* pData, ExifIfd ifd, ExifTag tag, ExifFormat format)
{
    const ExifEntry* pEntry = exif_content_get_entry(pData->ifd[ifd], tag);
    if (!pEntry || pEntry->format != format || !pEntry->data || pEntry->components == 0 ||
        pEntry->size < exif_format_get_size(format))
        return NULL;
    return pEntry;
}

int ReadOrientation(const ExifData* pData, ExifByteOrder order)
{
    const ExifEntry* pEntry = FindEntry(pData, EXIF_IFD_0, EXIF_TAG_ORIENTATION, EXIF_FORMAT_SHORT);
    if (!pEntry)
        return EXIF_ORIENTATION_UPRIGHT;
    const int n = exif_get_short(pEntry->data, order);
    return n >= EXIF_ORIENTATION_UPRIGHT && n <= EXIF_ORIENTATION_MAX ? n : EXIF_ORIENTATION_UPRIGHT;
}

// nDigits decimal digits at p, or -1.
int ReadNumber(const BYTE* p, int nDigits)
{
    int n = 0;
    for (int i = 0; i < nDigits; i++)
    {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        n = n * 10 + (p[i] - '0');
    }
    return n;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool bLeap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && bLeap ? 29 : kDays[month - 1];
}

// "YYYY:MM:DD HH:MM:SS" into *pst, with its day of the week. Cameras write
// blanks or zeros when their clock was never set: those are no date.
bool ParseExifDate(const ExifEntry* pEntry, SYSTEMTIME* pst)
{
    if (!pEntry || pEntry->size < 19)
        return false;
    const BYTE* p = pEntry->data;
    if (p[4] != ':' || p[7] != ':' || p[10] != ' ' || p[13] != ':' || p[16] != ':')
        return false;
    const int year = ReadNumber(p, 4), month = ReadNumber(p + 5, 2), day = ReadNumber(p + 8, 2);
    const int hour = ReadNumber(p + 11, 2), minute = ReadNumber(p + 14, 2), second = ReadNumber(p + 17, 2);
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    // The round trip fills in the day of the week.
    FILETIME ft;
    return SystemTimeToFileTime(&st, &ft) && FileTimeToSystemTime(&ft, pst);
}

bool ReadTaken(const ExifData* pData, SYSTEMTIME* pst)
{
    return ParseExifDate(FindEntry(pData, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_FORMAT_ASCII), pst) ||
           ParseExifDate(FindEntry(pData, EXIF_IFD_0, EXIF_TAG_DATE_TIME, EXIF_FORMAT_ASCII), pst);
}

// An ASCII value without its padding: the span [*pFirst, *pFirst + return).
size_t TrimmedText(const ExifEntry* pEntry, const BYTE** pFirst)
{
    if (!pEntry)
        return 0;
    const BYTE* p = pEntry->data;
    size_t cb = 0;
    while (cb < pEntry->size && p[cb] != 0)
        cb++;
    while (cb > 0 && p[0] == ' ')
        p++, cb--;
    while (cb > 0 && p[cb - 1] == ' ')
        cb--;
    *pFirst = p;
    return cb;
}

// Appends cb bytes as characters, one byte each; control bytes become
// spaces. Cut at the end of the buffer.
void AppendText(WCHAR* psz, size_t cch, const BYTE* p, size_t cb)
{
    size_t n = wcslen(psz);
    for (size_t i = 0; i < cb && n + 1 < cch; i++)
        psz[n++] = p[i] < 0x20 || p[i] == 0x7F ? L' ' : static_cast<WCHAR>(p[i]);
    psz[n] = 0;
}

// Make and model, or the model alone when it already names the maker, as
// most do ("Canon" and "Canon PowerShot A520").
void ReadCamera(const ExifData* pData, WCHAR* psz, size_t cch)
{
    const BYTE *pMake = NULL, *pModel = NULL;
    const size_t cbMake = TrimmedText(FindEntry(pData, EXIF_IFD_0, EXIF_TAG_MAKE, EXIF_FORMAT_ASCII), &pMake);
    const size_t cbModel = TrimmedText(FindEntry(pData, EXIF_IFD_0, EXIF_TAG_MODEL, EXIF_FORMAT_ASCII), &pModel);
    psz[0] = 0;
    const bool bModelNamesMake = cbMake > 0 && cbModel >= cbMake && _strnicmp(reinterpret_cast<const char*>(pModel),
                                                                               reinterpret_cast<const char*>(pMake),
                                                                               cbMake) == 0;
    if (cbMake > 0 && !bModelNamesMake)
    {
        AppendText(psz, cch, pMake, cbMake);
        if (cbModel > 0)
            AppendText(psz, cch, reinterpret_cast<const BYTE*>(" "), 1);
    }
    AppendText(psz, cch, pModel, cbModel);
}

DWORD ReadTiffLong(const BYTE* p, ExifByteOrder order)
{
    return exif_get_long(p, order);
}

// The preview's place, relative to the TIFF header, from the second image
// directory. libexif reads these two tags but keeps only a copy of the
// bytes, so the directory is looked up here, each step bounded by the block.
bool FindPreview(const BYTE* pTiff, DWORD cbTiff, ExifByteOrder order, DWORD* pdwOffset, DWORD* pcb)
{
    if (cbTiff < 8 || cbTiff > 0xFFFF)
        return false;
    const DWORD dwIfd0 = ReadTiffLong(pTiff + 4, order);
    if (dwIfd0 > cbTiff - 2)
        return false;
    const DWORD nEntries0 = exif_get_short(pTiff + dwIfd0, order);
    // The block is under 64 KiB, so none of these sums overflows.
    const DWORD dwNext = dwIfd0 + 2 + 12 * nEntries0;
    if (dwNext > cbTiff || cbTiff - dwNext < 4)
        return false;
    const DWORD dwIfd1 = ReadTiffLong(pTiff + dwNext, order);
    if (dwIfd1 == 0 || dwIfd1 > cbTiff - 2)
        return false;
    const DWORD nEntries1 = exif_get_short(pTiff + dwIfd1, order);
    DWORD dwOffset = 0, cb = 0;
    for (DWORD i = 0; i < nEntries1; i++)
    {
        const DWORD dwEntry = dwIfd1 + 2 + 12 * i;
        if (dwEntry > cbTiff || cbTiff - dwEntry < 12)
            break;
        const ExifShort tag = exif_get_short(pTiff + dwEntry, order);
        const ExifShort format = exif_get_short(pTiff + dwEntry + 2, order);
        const DWORD dwValue = format == EXIF_FORMAT_SHORT ? exif_get_short(pTiff + dwEntry + 8, order)
                                                          : ReadTiffLong(pTiff + dwEntry + 8, order);
        if (format != EXIF_FORMAT_LONG && format != EXIF_FORMAT_SHORT)
            continue;
        if (tag == EXIF_TAG_JPEG_INTERCHANGE_FORMAT)
            dwOffset = dwValue;
        else if (tag == EXIF_TAG_JPEG_INTERCHANGE_FORMAT_LENGTH)
            cb = dwValue;
    }
    *pdwOffset = dwOffset;
    *pcb = cb;
    return dwOffset != 0 && cb != 0;
}

// The preview when libexif found the same one inside the block and it
// starts as a JPEG does; the offset becomes the file's.
void ReadPreview(const ExifData* pData, const BYTE* pTiff, DWORD cbTiff, DWORD dwTiffInFile, DWORD cbFile,
                 ExifInfo* pInfo)
{
    DWORD dwOffset = 0, cb = 0;
    if (!FindPreview(pTiff, cbTiff, exif_data_get_byte_order(const_cast<ExifData*>(pData)), &dwOffset, &cb) ||
        !pData->data || pData->size != cb || dwOffset > cbTiff || cb > cbTiff - dwOffset || cb < 4 ||
        pTiff[dwOffset] != 0xFF || pTiff[dwOffset + 1] != 0xD8)
        return;
    const ULONGLONG qwStart = static_cast<ULONGLONG>(dwTiffInFile) + dwOffset;
    if (qwStart + cb > cbFile)
        return;
    pInfo->dwPreviewOffset = static_cast<DWORD>(qwStart);
    pInfo->dwPreviewLength = cb;
}

void SetDefaults(ExifInfo* pInfo)
{
    memset(pInfo, 0, sizeof(*pInfo));
    pInfo->nOrientation = EXIF_ORIENTATION_UPRIGHT;
}

// libexif over the block, all under one budget: a refused allocation means
// the loaded data may lack anything, so nothing of it is used.
bool ParseBlock(const BYTE* pBlock, DWORD cbBlock, DWORD dwBlockInFile, DWORD cbFile, ExifInfo* pInfo)
{
    ExifBudget budget = {};
    budget.cbCap = ExifBudgetFor(cbBlock);
    CExifBudgetScope scope(&budget);
    ExifMem* pMem = scope.NewMem();
    ExifData* pData = pMem ? exif_data_new_mem(pMem) : NULL;
    if (pMem)
        exif_mem_unref(pMem);
    if (!pData)
        return false;
    // Following the standard would make libexif add the entries a block
    // lacks, a date among them: the current one.
    exif_data_unset_option(pData, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(pData, pBlock, cbBlock);

    const bool bUsable = !budget.bRefused && pData->ifd[EXIF_IFD_0]->count > 0;
    if (bUsable)
    {
        const ExifByteOrder order = exif_data_get_byte_order(pData);
        pInfo->nOrientation = ReadOrientation(pData, order);
        pInfo->bHasTaken = ReadTaken(pData, &pInfo->stTaken);
        ReadCamera(pData, pInfo->szCamera, ARRAYSIZE(pInfo->szCamera));
        ReadPreview(pData, pBlock + sizeof(kExifHeader), cbBlock - sizeof(kExifHeader),
                    dwBlockInFile + sizeof(kExifHeader), cbFile, pInfo);
    }
    exif_data_unref(pData);
    return bUsable;
}

} // namespace

BOOL ParseExifInfo(const BYTE* pb, DWORD cb, DWORD cbFile, ExifInfo* pInfo)
{
    if (!pInfo)
        return FALSE;
    SetDefaults(pInfo);
    DWORD dwStart = 0, cbBlock = 0;
    if (!pb || cb > cbFile || !FindExifBlock(pb, cb, &dwStart, &cbBlock))
        return FALSE;
    if (ParseBlock(pb + dwStart, cbBlock, dwStart, cbFile, pInfo))
        return TRUE;
    SetDefaults(pInfo);
    return FALSE;
}

BOOL ReadExifInfo(HANDLE hFile, ExifInfo* pInfo)
{
    if (!pInfo)
        return FALSE;
    SetDefaults(pInfo);
    LARGE_INTEGER size;
    if (hFile == INVALID_HANDLE_VALUE || !hFile || !GetFileSizeEx(hFile, &size) || size.QuadPart < 4)
        return FALSE;
    const DWORD cbFile = size.QuadPart > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size.QuadPart);
    const DWORD cbLimit = EXIF_READ_LIMIT;
    const DWORD cbWant = cbFile < cbLimit ? cbFile : cbLimit;
    BYTE* pb = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, cbWant));
    if (!pb)
        return FALSE;
    DWORD cbRead = 0;
    BOOL bFound = FALSE;
    if (SetFilePointer(hFile, 0, NULL, FILE_BEGIN) == 0 && ReadFile(hFile, pb, cbWant, &cbRead, NULL))
        bFound = ParseExifInfo(pb, cbRead, cbFile, pInfo);
    SetFilePointer(hFile, 0, NULL, FILE_BEGIN);
    HeapFree(GetProcessHeap(), 0, pb);
    return bFound;
}

BOOL ParseExifTiff(const BYTE* pb, size_t cb, ExifInfo* pInfo)
{
    if (!pInfo)
        return FALSE;
    SetDefaults(pInfo);
    if (pb && cb >= sizeof(kExifHeader) && memcmp(pb, kExifHeader, sizeof(kExifHeader)) == 0)
    {
        pb += sizeof(kExifHeader);
        cb -= sizeof(kExifHeader);
    }
    if (!pb || cb < 8)
        return FALSE;
    const DWORD cbLimit = EXIF_READ_LIMIT;
    const DWORD cbTiff = cb < cbLimit ? static_cast<DWORD>(cb) : cbLimit;
    // libexif takes a block with its header, as a JPEG holds it.
    BYTE* pBlock = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, cbTiff + sizeof(kExifHeader)));
    if (!pBlock)
        return FALSE;
    memcpy(pBlock, kExifHeader, sizeof(kExifHeader));
    memcpy(pBlock + sizeof(kExifHeader), pb, cbTiff);
    // A file size of 0 places any preview outside the file: none is reported.
    const bool bParsed = ParseBlock(pBlock, cbTiff + sizeof(kExifHeader), 0, 0, pInfo);
    HeapFree(GetProcessHeap(), 0, pBlock);
    if (!bParsed)
        SetDefaults(pInfo);
    return bParsed;
}
