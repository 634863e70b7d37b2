// The BMP (and ".2bp") reader of our own.
#pragma once

#include "platform/imgdecmp/decode_job.h"

// Reads the file from the job's source into its output.
HRESULT DecodeBmp(DecodeJob* pJob);
