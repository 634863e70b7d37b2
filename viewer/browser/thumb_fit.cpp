#include "viewer/browser/thumb_fit.h"

int FitRect(int32_t cx, int32_t cy, ViewBox* pFit)
{
    if (cx <= THUMB_BOX_WIDTH && cy <= THUMB_BOX_HEIGHT)
    {
        pFit->x = (THUMB_BOX_WIDTH - cx) / 2;
        pFit->y = (THUMB_BOX_HEIGHT - cy) / 2;
        pFit->width = cx;
        pFit->height = cy;
        return 0;
    }
    // Aspect kept, in double precision; the offsets use the untruncated
    // scaled side so that the picture stays centred to the pixel.
    const double rx = static_cast<double>(THUMB_BOX_WIDTH) / cx;
    const double ry = static_cast<double>(THUMB_BOX_HEIGHT) / cy;
    if (rx >= ry)
    {
        const double w = cx * ry;
        pFit->width = static_cast<int32_t>(w);
        pFit->height = THUMB_BOX_HEIGHT;
        pFit->x = static_cast<int32_t>(THUMB_BOX_WIDTH / 2 - w / 2);
        pFit->y = 0;
    }
    else
    {
        const double h = cy * rx;
        pFit->width = THUMB_BOX_WIDTH;
        pFit->height = static_cast<int32_t>(h);
        pFit->x = 0;
        pFit->y = static_cast<int32_t>(THUMB_BOX_HEIGHT / 2 - h / 2);
    }
    // A very thin picture (a 10000 x 3 strip) would truncate to no pixels at
    // all and leave no thumbnail: keep at least one.
    if (pFit->width < 1)
        pFit->width = 1;
    if (pFit->height < 1)
        pFit->height = 1;
    return 1;
}
