// The rectangle form of the renderer: x, y from the top left, width and
// height. Shared by the resampler (source box) and the renderer.
#pragma once

#include <stdint.h>

struct ViewBox
{
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};
