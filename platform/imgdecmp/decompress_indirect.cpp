// The indirect decode call: sniff the format from the first buffer and hand
// the job to its reader, inside a fault guard, then one cleanup for every
// path.
#include "platform/imgdecmp/imgdecmp.h"

#include <stdlib.h>
#include <string.h>

#include "platform/imgdecmp/bmp_decode.h"
#include "platform/imgdecmp/decode_job.h"
#include "platform/imgdecmp/decode_output.h"
#include "platform/imgdecmp/wic_decode.h"
#include "platform/seh_guard/seh_guard.h"

static void RunDecode(void* pvJob)
{
    DecodeJob* pJob = static_cast<DecodeJob*>(pvJob);
    DWORD cb = 0;
    const BYTE* pb = pJob->src.Peek(&cb);
    static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (cb >= 2 && pb[0] == 'B' && pb[1] == 'M')
        pJob->hr = DecodeBmp(pJob);
    else if (cb >= 8 && memcmp(pb, kPng, 8) == 0)
        pJob->hr = DecodeWithWic(pJob, 'P');
    else if (cb >= 6 && memcmp(pb, "GIF8", 4) == 0)
        pJob->hr = DecodeWithWic(pJob, 'G');
    else if (cb >= 3 && pb[0] == 0xFF && pb[1] == 0xD8 && pb[2] == 0xFF)
        pJob->hr = DecodeWithWic(pJob, 'J');
    else
        pJob->hr = E_FAIL;   // unknown format or no data
    if (SUCCEEDED(pJob->hr))
        NotifyProgress(&pJob->out, TRUE);
}

HRESULT DecompressImageIndirect(DecompressImageInfo* pParams)
{
    if (!pParams || (pParams->dwSize != DECOMPRESSIMAGEINFO_HANDHELD_SIZE && pParams->dwSize != sizeof(*pParams)) ||
        !pParams->pbBuffer || pParams->dwBufferMax == 0 || !pParams->pfnGetData)
        return E_INVALIDARG;
    if (pParams->phBM)
        *pParams->phBM = NULL;
    if (pParams->ppImageRender)
        *pParams->ppImageRender = NULL;
    pParams->dwBufferCurrent = 0;

    DecodeJob job;
    memset(&job, 0, sizeof(job));
    job.src.pParams = pParams;
    job.hr = E_FAIL;
    OutputStart(&job.out, pParams);

    DWORD dwCode = 0;
    if (!SehGuardRun(RunDecode, &job, &dwCode))
        job.hr = HRESULT_FROM_NT(dwCode);

    // One cleanup for every path, the faulted one included.
    ReleaseWic(&job);
    free(job.pScratch);
    free(job.pScratch2);
    OutputHandOver(&job.out, SUCCEEDED(job.hr));
    return job.hr;
}
