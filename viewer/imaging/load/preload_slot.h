// CPreloadSlot: one picture decoded ahead, on an idle-priority worker, for
// the step the user is most likely to take next. The slot holds at most one
// bitmap; it is handed over only for the very file it was decoded from.
//
// Thread rule: the user-interface thread calls every public method. Stop
// cancels the decode, then waits for the worker, so nothing the worker uses
// is freed under it; the worker stores its bitmap under the lock and only
// when no stop was asked.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "viewer/common/worker_thread.h"
#include "viewer/imaging/decode/image_decoder.h"

// No picture is decoded ahead on a machine that reports less free memory.
#define PRELOAD_MIN_AVAILABLE (256ull * 1024 * 1024)

// The file as it was when its picture was decoded: a later Take compares it.
struct PreloadFileStamp
{
    WCHAR szPath[MAX_PATH];
    uint64_t cbSize;
    FILETIME ftWrite;
};

class CPreloadSlot : public CWorkerThread
{
public:
    CPreloadSlot();
    ~CPreloadSlot() override;

    // Drops what the slot holds, then decodes pszPath on the worker once
    // hAfter is signalled (at once when null; the slot keeps its own
    // duplicate). Does nothing when the path does not fit or the memory
    // check says no.
    void Preload(const WCHAR* pszPath, HANDLE hAfter);
    // The decoded bitmap of pszPath (the caller owns it) when it is ready and
    // the file's name, size and write time are those it was decoded from;
    // otherwise null. Either way the slot is empty afterwards.
    HBITMAP Take(const WCHAR* pszPath);
    // Cancels the decode, waits for the worker and deletes the bitmap.
    void Drop();

    // What the slot holds or decodes: its path, or empty.
    const WCHAR* GetPath() const { return m_stamp.szPath; }
    BOOL HasPicture();

    void Stop() override;
    DWORD Run() override;

protected:
    // The decode; a test seam that the program keeps.
    virtual HBITMAP Decode(const WCHAR* pszPath);
    // Whether a picture of this file may be decoded ahead: it must fit the
    // budget (read from its header; an unknown size does not) and the
    // machine must report enough available memory.
    virtual bool MayPreload(const WCHAR* pszPath);
    // A manual-reset event that Stop sets before it waits: a seam's wait
    // ends on it as the worker's own wait does.
    HANDLE GetStopEvent() const { return m_hStop; }
    CImageDecoder m_decoder;

private:
    void CloseAfter();

    PreloadFileStamp m_stamp;
    HANDLE m_hAfter;
    HANDLE m_hStop;
    CRITICAL_SECTION m_cs;
    HBITMAP m_hbm; // under m_cs
};

// The file's size and write time; false when it cannot be read.
bool ReadFileStamp(const WCHAR* pszPath, PreloadFileStamp* pStamp);

// Whether a picture of w x h (24 bits) fits cbBudget and the machine's
// cbAvailable bytes leave room for it: pure, so it is tested as it is.
bool PreloadFits(int64_t w, int64_t h, uint64_t cbBudget, uint64_t cbAvailable);
