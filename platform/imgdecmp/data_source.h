// The caller's data, pulled through the read callback into the caller's
// buffer one callback at a time. Once the callback has returned 0 it is not
// called again.
#pragma once

#include <stddef.h>

#include "platform/imgdecmp/imgdecmp.h"

struct DataSource
{
    DecompressImageInfo* pParams;
    DWORD iPos;          // next unread byte in pParams->pbBuffer
    bool bEnded;

    bool Fill();                              // next buffer; false at the end
    size_t Read(void* pvDst, size_t cb);      // loops until cb bytes or the end
    bool Skip(size_t cb);
    const BYTE* Peek(DWORD* pcb);             // the unread bytes of the current buffer
};
