#include "viewer/imaging/load/preload_slot.h"

#include <wchar.h>

#include "viewer/imaging/load/image_loader.h"
#include "viewer/imaging/decode/picture_budget.h"

// Enough of a file's start to hold its size: a JPEG's frame header comes
// after its EXIF block, which may carry a thumbnail of up to 64 KiB.
static const DWORD kHeaderBytes = 80 * 1024;

bool ReadFileStamp(const WCHAR* pszPath, PreloadFileStamp* pStamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!pszPath || !GetFileAttributesExW(pszPath, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    pStamp->cbSize = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    pStamp->ftWrite = data.ftLastWriteTime;
    return true;
}

bool PreloadFits(int64_t w, int64_t h, uint64_t cbBudget, uint64_t cbAvailable)
{
    return cbAvailable >= PRELOAD_MIN_AVAILABLE && DibBytes(w, h, 24) <= cbBudget;
}

static bool SameStamp(const PreloadFileStamp& a, const PreloadFileStamp& b)
{
    return a.cbSize == b.cbSize && CompareFileTime(&a.ftWrite, &b.ftWrite) == 0;
}

static bool ReadPictureSize(const WCHAR* pszPath, int64_t* pWidth, int64_t* pHeight)
{
    HANDLE hFile = CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    bool bKnown = false;
    uint8_t* pb = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, kHeaderBytes));
    DWORD cbRead = 0;
    if (pb && ReadFile(hFile, pb, kHeaderBytes, &cbRead, NULL))
        bKnown = PictureSizeFromHeader(pb, cbRead, pWidth, pHeight);
    if (pb)
        HeapFree(GetProcessHeap(), 0, pb);
    CloseHandle(hFile);
    return bKnown;
}

CPreloadSlot::CPreloadSlot()
    : m_decoder(), m_stamp(), m_hAfter(NULL), m_hStop(CreateEventW(NULL, TRUE, FALSE, NULL)), m_hbm(NULL)
{
    InitializeCriticalSection(&m_cs);
}

CPreloadSlot::~CPreloadSlot()
{
    // The worker uses this object's members: it ends before they go.
    Drop();
    if (m_hStop)
        CloseHandle(m_hStop);
    DeleteCriticalSection(&m_cs);
}

void CPreloadSlot::CloseAfter()
{
    if (m_hAfter)
        CloseHandle(m_hAfter);
    m_hAfter = NULL;
}

void CPreloadSlot::Stop()
{
    if (!m_hThread)
        return;
    // Cancel, then wait: the decode ends at its next check.
    m_decoder.SetCancel(1);
    if (m_hStop)
        SetEvent(m_hStop);
    CWorkerThread::Stop();
    if (m_hStop)
        ResetEvent(m_hStop);
}

void CPreloadSlot::Drop()
{
    Stop();
    CloseAfter();
    EnterCriticalSection(&m_cs);
    HBITMAP hbm = m_hbm;
    m_hbm = NULL;
    LeaveCriticalSection(&m_cs);
    if (hbm)
        DeleteObject(hbm);
    m_stamp.szPath[0] = L'\0';
}

void CPreloadSlot::Preload(const WCHAR* pszPath, HANDLE hAfter)
{
    Drop();
    // Without its stop event the worker could not be woken from its wait.
    if (!pszPath || wcslen(pszPath) >= MAX_PATH || !m_hStop)
        return;
    if (hAfter && !DuplicateHandle(GetCurrentProcess(), hAfter, GetCurrentProcess(), &m_hAfter, SYNCHRONIZE, FALSE, 0))
    {
        m_hAfter = NULL;
        return;
    }
    wcscpy_s(m_stamp.szPath, MAX_PATH, pszPath);
    m_decoder.SetCancel(0);
    if (!Start(CREATE_SUSPENDED))
    {
        CloseAfter();
        m_stamp.szPath[0] = L'\0';
        return;
    }
    SetPriority(THREAD_PRIORITY_IDLE);
    ResumeThread(m_hThread);
}

BOOL CPreloadSlot::HasPicture()
{
    EnterCriticalSection(&m_cs);
    const BOOL bHas = m_hbm != NULL;
    LeaveCriticalSection(&m_cs);
    return bHas;
}

HBITMAP CPreloadSlot::Take(const WCHAR* pszPath)
{
    HBITMAP hbm = NULL;
    PreloadFileStamp stamp;
    if (pszPath && m_stamp.szPath[0] && _wcsicmp(pszPath, m_stamp.szPath) == 0)
    {
        EnterCriticalSection(&m_cs);
        hbm = m_hbm;
        m_hbm = NULL;
        stamp = m_stamp;
        LeaveCriticalSection(&m_cs);
    }
    // A decode still running is not worth waiting for at idle priority.
    Drop();
    PreloadFileStamp now;
    if (hbm && (!ReadFileStamp(pszPath, &now) || !SameStamp(now, stamp)))
    {
        DeleteObject(hbm);
        hbm = NULL;
    }
    return hbm;
}

bool CPreloadSlot::MayPreload(const WCHAR* pszPath)
{
    int64_t w = 0, h = 0;
    if (!ReadPictureSize(pszPath, &w, &h))
    {
        // WebP and HEIF sizes take their libraries to read: a header-only
        // decode on a decoder of its own.
        CImageDecoder decoder;
        DecodeOptions options = {};
        options.flags = DECODE_HEADER_ONLY;
        options.type = PICTYPE_BY_EXTENSION;
        HBITMAP hbm = decoder.LoadNow(pszPath, &options);
        if (hbm)
            DeleteObject(hbm);
        if (options.info.biWidth <= 0 || options.info.biHeight <= 0)
            return false;
        w = options.info.biWidth;
        h = options.info.biHeight;
    }
    MEMORYSTATUSEX status;
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return false;
    return PreloadFits(w, h, CImageDecoder::PictureBudgetBytes(), status.ullAvailPhys);
}

HBITMAP CPreloadSlot::Decode(const WCHAR* pszPath)
{
    // The viewer's own options, so the picture is the one Open would show.
    DecodeOptions options;
    ViewerDecodeOptions(&options);
    return m_decoder.Load(pszPath, &options);
}

DWORD CPreloadSlot::Run()
{
    if (m_hAfter)
    {
        HANDLE rgWait[2] = {m_hStop, m_hAfter};
        if (WaitForMultipleObjects(2, rgWait, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return (DWORD)-1;
    }
    PreloadFileStamp stamp = m_stamp;
    if (IsStopRequested() || !ReadFileStamp(stamp.szPath, &stamp) || !MayPreload(stamp.szPath))
        return 0;
    HBITMAP hbm = Decode(stamp.szPath);
    EnterCriticalSection(&m_cs);
    if (hbm && !IsStopRequested() && !m_hbm)
    {
        m_hbm = hbm;
        m_stamp.cbSize = stamp.cbSize;
        m_stamp.ftWrite = stamp.ftWrite;
        hbm = NULL;
    }
    LeaveCriticalSection(&m_cs);
    if (hbm)
        DeleteObject(hbm);
    return 0;
}
