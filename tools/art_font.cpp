// The bitmap font: a 10 x 10 grid of square cells, character 32 + 10 r + k
// in row r (from the top) and column k. Every cell is drawn whole and
// opaque by the game, so the paper colour fills each cell edge to edge and a
// run of cells joins into one label strip.
#include <ft2build.h>
#include FT_FREETYPE_H

#include "art.h"

namespace gen {
namespace {

constexpr int kCell = 64;   // 640 x 640; scaled to 512 x 512 when the mipmaps are built
constexpr int kMargin = 4;  // ink keeps off the cell edges so rescaling never bleeds
const Rgb kPaper = hex(0xF2E6C8), kInk = hex(0x3A2414);

struct Face {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  explicit Face(const std::string& path) {
    if (FT_Init_FreeType(&lib) != 0) fail("cannot start FreeType");
    if (FT_New_Face(lib, path.c_str(), 0, &face) != 0) fail("cannot open font " + path);
  }
  ~Face() {
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
  }
  FT_GlyphSlot load(unsigned code) {
    if (FT_Load_Char(face, code, FT_LOAD_RENDER) != 0) fail("cannot render a glyph");
    return face->glyph;
  }
};

}  // namespace

Image makeFont(const std::string& fontPath) {
  Face f(fontPath);
  // Measure the printable set at a trial size, then pick the size at which
  // the tallest span (ascent of the highest glyph to descent of the lowest)
  // fills the cell height, and widen the glyphs so they fill square cells
  // better, as far as the widest glyph allows.
  constexpr int trial = 100;
  FT_Set_Pixel_Sizes(f.face, trial, trial);
  int top = 0, bottom = 0, widest = 0;
  for (unsigned ch = 33; ch <= 126; ++ch) {
    const FT_GlyphSlot g = f.load(ch);
    top = std::max(top, g->bitmap_top);
    bottom = std::min(bottom, g->bitmap_top - int(g->bitmap.rows));
    widest = std::max(widest, int(g->bitmap.width));
  }
  const float usable = float(kCell - 2 * kMargin);
  const float scale = usable / float(top - bottom);
  const float stretch = std::min(1.3f, usable / (float(widest) * scale));
  const int height = int(float(trial) * scale), width = int(float(trial) * scale * stretch);
  FT_Set_Pixel_Sizes(f.face, FT_UInt(width), FT_UInt(height));
  const int baseline = kMargin + int(std::lround(float(top) * scale));

  Image img(10 * kCell, 10 * kCell, kPaper);
  for (int code = 33; code <= 126; ++code) {
    const int cellRow = (code - 32) / 10, cellCol = (code - 32) % 10;
    const FT_GlyphSlot g = f.load(unsigned(code));
    // Centre the ink box horizontally; monospace advances would leave
    // narrow glyphs off-centre in a square cell.
    const int x0 = cellCol * kCell + (kCell - int(g->bitmap.width)) / 2;
    const int y0 = cellRow * kCell + baseline - g->bitmap_top;
    for (unsigned r = 0; r < g->bitmap.rows; ++r)
      for (unsigned c = 0; c < g->bitmap.width; ++c) {
        const int x = x0 + int(c), y = y0 + int(r);
        // Clip to the cell: a glyph never reaches into its neighbour.
        if (x < cellCol * kCell + 1 || x >= (cellCol + 1) * kCell - 1 || y < cellRow * kCell + 1 ||
            y >= (cellRow + 1) * kCell - 1)
          continue;
        const float a = float(g->bitmap.buffer[int(r) * g->bitmap.pitch + int(c)]) / 255.0f;
        img.blend(x, y, kInk, a);
      }
  }
  return img;
}

}  // namespace gen
