// The table cloth, linen.bmp. Each texel is a function of its place alone,
// in plain float arithmetic, so the browser build can make the very same file
// on the player's machine (platform/web/unpack.cpp) rather than download the
// weave's noise, which no packer shrinks much.
#pragma once

#include "raster.h"

namespace gen {

// Soft-edged stripe in a repeating pattern: 1 on the middle half of each period.
float stripe(float t, float soft);
// A gingham surface colour at cloth coordinates (units of one check).
Rgb gingham(float x, float y);
// linen.bmp's colour at column i of row `row`, row 0 at the top.
Rgb linenTexel(int i, int row);

}  // namespace gen
