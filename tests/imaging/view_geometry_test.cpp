// The renderer's view arithmetic, called directly: where a picture opens.
#include <gtest/gtest.h>

#include "viewer/imaging/view/view_geometry.h"

// Beyond three screens the left and right positions centre on the outer
// thirds; up to three screens they show the corner. At zoom 2 the offsets
// are in screen pixels, halved into picture pixels. Positions outside 1..9
// count as 1.
TEST(ViewGeometry, InitialOriginPositions)
{
    const struct { int w, h; double zoom; int position; int32_t x, y; } cases[] = {
        {1000, 500, 1.0, 5, 500 - 120, 250 - 134},
        {1000, 500, 1.0, 1, (333 - 240) / 2, 0},
        {1000, 500, 1.0, 9, 1000 - 240 - 46, 500 - 268},
        {600, 500, 2.0, 6, (600 - 120) / 2, (1000 - 268 - (333 - 268) / 2) / 2},
        {600, 500, 1.0, 10, 0, 0},
    };
    for (const auto& c : cases)
    {
        int32_t x = -1, y = -1;
        InitialOrigin(c.w, c.h, c.zoom, 240, 268, c.position, &x, &y);
        EXPECT_TRUE(c.x == x && c.y == y) << c.w << "x" << c.h << " zoom " << c.zoom << " position " << c.position
                                          << ": " << x << "," << y;
    }
}
