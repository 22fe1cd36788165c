// The table cloth, linen.bmp. Each texel is a function of its place alone,
// in plain float arithmetic, so the browser build can make the very same file
// on the player's machine (platform/web/unpack.cpp) rather than download the
// weave's noise, which no packer shrinks much.
#pragma once

#include "raster.h"
#include "shapes.h"

namespace gen {

// Soft-edged stripe in a repeating pattern: 1 on the middle half of each period.
float stripe(float t, float soft);
// A gingham surface colour at cloth coordinates (units of one check).
Rgb gingham(float x, float y);
// linen.bmp a row at a time; what depends on the column alone is worked out
// once, what depends on the row once a row.
class LinenRows {
 public:
  LinenRows();
  // The kLinenW colours of row `row`, row 0 at the top.
  void row(int row, Rgb* out) const;

 private:
  struct Column {
    float x, warp, checkX, wanderY, shadeX;
  };
  Column columns_[kLinenW];
};

}  // namespace gen
