// Where a thumbnail sits in its 64 x 60 box. Pure code: no <windows.h>.
#pragma once

#include <stdint.h>

#include "viewer/common/view_box.h"

#define THUMB_BOX_WIDTH 64
#define THUMB_BOX_HEIGHT 60

// Places an image of cx x cy in the 64 x 60 box: the place and size it takes
// there. Nonzero when it must be resampled to that size (it does not fit);
// 0 when it keeps its size, centred.
int FitRect(int32_t cx, int32_t cy, ViewBox* pFit);
