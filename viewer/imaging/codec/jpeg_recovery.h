// A libjpeg error manager whose fatal errors return to a recovery point
// instead of ending the process.
#pragma once

#include <setjmp.h>
#include <stdio.h>

#include <jpeglib.h>

struct JpegRecovery
{
    jpeg_error_mgr mgr; // first, so the library's pointer is ours too
    jmp_buf recoveryPoint;
};

// Installs the manager; the caller then sets the recovery point with
// setjmp(recovery.recoveryPoint) before any other library call.
jpeg_error_mgr* InitJpegRecovery(JpegRecovery* pRecovery);
