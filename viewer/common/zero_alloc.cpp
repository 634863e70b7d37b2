#include "viewer/common/zero_alloc.h"

#include <stdlib.h>

#include "viewer/common/image_error.h"

void* AllocZeroed(size_t cb)
{
    void* pv = calloc(1, cb ? cb : 1);
    if (!pv)
        SetImageError(IMGERR_NO_MEMORY);
    return pv;
}

void FreeZeroed(void* pv)
{
    free(pv);
}
