// The thumbnail cache in the thumbnail folder: the index "index.tmb", a flat
// array of 548-byte records (slot k at offset 548 x k; record 0 says how the
// thumbnails were made, see thumb_index_record.h), and one JPEG file
// "pvx<slot>.pvx" per cached picture. The record list is kept in memory from
// start-up to exit, newest first. No lock: while a thumbnail worker runs it
// is the only thread that touches the cache.
#pragma once

#include <windows.h>

#include "viewer/browser/thumb_fit.h"
#include "viewer/browser/thumb_index_record.h"

// Pictures larger than this in width or height are cached.
#define THUMB_CACHE_MIN_SIDE 256

// One record of the index in memory. On disk the link is 4 bytes (any value
// is written, ignored when read) and every field is little-endian.
struct ThumbIndexRecord
{
    ThumbIndexRecord* pNext;
    WCHAR szPath[MAX_PATH]; // picture folder with its backslash, then the name
    LONG nSlot;
    DWORD nFileSize;        // low 32 bits
    FILETIME ftLastWrite;
    LONG xOffset;           // top-left of the thumbnail in its 64 x 60 box
    LONG yOffset;
};

// Start-up: opens "index.tmb" in the THUMBNAIL_FOLDER (creating it when
// missing) and loads its records. The cache stays off when that fails.
// Thumbnails are made upright or not as AUTO_ROTATE says, colour-managed or
// not as COLOR_MANAGE says; a cache whose thumbnails were made otherwise is
// cleared.
// Records that cannot be the cache's own (unterminated path, slot outside
// 1..THUMB_MAX_SLOT, offsets outside the box) are not kept; each still
// takes a slot, so no later record is written over it.
void OpenThumbIndex(void);
// Exit: frees the records, then closes the index when open.
void CloseThumbIndex(void);
BOOL IsThumbIndexOpen(void);
LONG GetHighestThumbSlot(void);

// The slot of the newest record of that exact path when its size and time
// still match (offsets handed back), else -1.
LONG LookupThumb(LPCWSTR pszPath, DWORD nFileSize, const FILETIME* pftLastWrite, LONG* pxOffset,
                 LONG* pyOffset);
// The slot's thumbnail file decoded by the main window record's decoder;
// null when there is no record, the index is closed or the file is not one
// the cache writes (a colour JPEG of at most 64 x 60).
HBITMAP ReadThumbFile(LONG nSlot);
// Links a copy at the head, writes it at its slot when bWrite and the index
// is open, and raises the highest slot. 0 when closed or out of memory.
BOOL AddThumbRecord(const ThumbIndexRecord* pRecord, BOOL bWrite);
// Caches a thumbnail made from the picture. nFoundSlot is the slot that
// LookupThumb found (its file could not be read) or -1 for a new record.
void StoreThumb(HBITMAP hbmThumb, LPCWSTR pszPicturePath, DWORD nFileSize,
                const FILETIME* pftLastWrite, LONG xOffset, LONG yOffset, LONG nFoundSlot);
void FreeThumbRecords(void);
// What allocates a record node: zero-filled memory, unless a test puts an
// allocator that fails in its place (null restores it). Nodes are freed with
// FreeZeroed, so a replacement returns zero-filled memory from calloc.
void SetThumbRecordAllocatorForTests(void* (*pfnAlloc)(size_t cb));
// "&Delete Thumbnail": empties the list and deletes only the files the cache
// writes. The caller stops the worker first.
void ClearThumbCache(void);
// Makes thumbnails upright by the camera's orientation tag, or as stored,
// from now on; a change clears the cache. The caller stops the worker first.
void SetThumbsUpright(BOOL bUpright);
// How thumbnails are made now: the thumbnail maker decodes so.
BOOL AreThumbsUpright(void);
// The same for turning their colours into sRGB by the pictures' profiles.
void SetThumbsColourManaged(BOOL bManaged);
BOOL AreThumbsColourManaged(void);
