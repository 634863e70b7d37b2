#include "viewer/imaging/decode/machine_budget.h"

#include <windows.h>
#include <string.h>

#include "viewer/imaging/decode/picture_budget.h"

uint64_t MachinePictureBudget(void)
{
    MEMORYSTATUSEX status;
    memset(&status, 0, sizeof(status));
    status.dwLength = sizeof(status);
    // Should the system not say, a machine of 512 MiB is assumed.
    const uint64_t cbPhysical = GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : PICTURE_BUDGET_CAP;
    return PictureBudget(cbPhysical);
}
