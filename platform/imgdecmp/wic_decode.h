// The PNG, GIF (and JPEG) reader through the Windows Imaging Component.
#pragma once

#include "platform/imgdecmp/decode_job.h"

// Container from the magic bytes: 'P' PNG, 'G' GIF, 'J' JPEG.
HRESULT DecodeWithWic(DecodeJob* pJob, char chContainer);
// Releases the job's WIC objects; also after a fault inside the decode.
void ReleaseWic(DecodeJob* pJob);
