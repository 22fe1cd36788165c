// Bitmap decoding on files built byte by byte, and textures on the real offscreen context.
#include "assets/bmp.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <cstring>

#include "assets/report.h"
#include "platform/gl.h"
#include "tests/byte_builder.h"
#include "tests/gl_harness.h"

namespace {

using tt::Bytes;

struct Layout {
  int32_t w, h;
  bool topDown = false;
  uint32_t offset = 54;
  int kept = -1;  // for a short file: the whole pixels it holds, and the bytes of the next one
  int extra = 0;
};
// The colour of picture pixel (x, y), y counted from the bottom row.
std::array<uint8_t, 3> rgbAt(int x, int y) {
  return {uint8_t(200 + y), uint8_t(100 + x), uint8_t(16 * x + y)};
}
uint32_t rowBytes(int32_t w) { return (w * 3 + 3) / 4 * 4; }
int fileRow(const Layout& l, int y) { return l.topDown ? l.h - 1 - y : y; }

// A bitmap with a 40-byte header, its colour table (0xRRGGBB each), `gap` bytes of 0xEE and its
// pixel bytes as given.
Bytes bitmap(int32_t w, int32_t h, uint16_t bits, uint32_t compression,
             const std::vector<uint32_t>& table, const Bytes& pixels, uint32_t gap = 0) {
  const uint32_t offset = 54 + 4 * uint32_t(table.size()) + gap;
  Bytes b;
  b.text("BM").u32(offset + uint32_t(pixels.size())).u32(0).u32(offset);
  b.u32(40).i32(w).i32(h).u16(1).u16(bits).u32(compression).u32(uint32_t(pixels.size()));
  b.u32(2835).u32(2835).u32(uint32_t(table.size())).u32(0);
  for (uint32_t c : table) b.u32(c);  // as blue, green, red, 0
  b.v.resize(offset, 0xEE);
  return b.add(pixels);
}

Bytes bmp(const Layout& l) {
  Bytes pixels;
  for (int row = 0; row < l.h; ++row) {
    for (int x = 0; x < l.w; ++x) {
      const auto c = rgbAt(x, fileRow(l, row));
      pixels.u8(c[2]).u8(c[1]).u8(c[0]);
    }
    pixels.v.resize(rowBytes(l.w) * (row + 1), 0xEE);
  }
  Bytes b = bitmap(l.w, l.topDown ? -l.h : l.h, 24, 0, {}, pixels, l.offset - 54);
  if (l.kept >= 0) b.v.resize(l.offset + l.kept / l.w * rowBytes(l.w) + l.kept % l.w * 3 + l.extra);
  return b;
}
// The picture, bottom row first; pixels past the file's end repeat the last whole one.
std::vector<uint8_t> expected(const Layout& l) {
  std::vector<uint8_t> out;
  for (int y = 0; y < l.h; ++y)
    for (int x = 0; x < l.w; ++x) {
      const int k = std::min(fileRow(l, y) * l.w + x, l.kept < 0 ? INT_MAX : l.kept - 1);
      for (uint8_t c : rgbAt(k % l.w, fileRow(l, k / l.w))) out.push_back(c);
    }
  return out;
}

const std::vector<uint32_t> kTable = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF};
constexpr uint32_t o = 0x102030, r = 0xFF0000, g = 0x00FF00, b = 0x0000FF;

// RGB bytes as 0xRRGGBB.
std::vector<uint32_t> packed(const std::vector<uint8_t>& rgb) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < rgb.size(); i += 3)
    out.push_back(uint32_t(rgb[i]) << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
  return out;
}

// A texture loaded from `file`: its sides, its mipmap levels and level 0, bottom row first.
struct Texture {
  GLint w = 0, h = 0, levels = 0;
  std::vector<uint32_t> texels;
};
Texture loadTexture(const Bytes& file) {
  Texture t;
  GLuint tex = 0;
  glGenTextures(1, &tex);
  const std::string path = tt::writeTempFile("tex.bmp", file.v);
  EXPECT_EQ(assets::loadBmpTexture(path.c_str(), tex), 1);
  std::remove(path.c_str());
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &t.w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &t.h);
  for (GLint side = t.w; side > 0;)
    glGetTexLevelParameteriv(GL_TEXTURE_2D, ++t.levels, GL_TEXTURE_WIDTH, &side);
  std::vector<uint8_t> rgb(size_t(t.w) * t.h * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  glDeleteTextures(1, &tex);
  t.texels = packed(rgb);
  return t;
}

TEST(Bmp, DecodesPaddedTopDownMovedAndShortFiles) {
  // clang-format off
  const Layout cases[] = {
      {4, 2}, {3, 2}, {5, 3}, {3, 2, true}, {5, 3, true},              // rows padded to 4 bytes
      {4, 3, false, 70}, {5, 2, true, 61},                             // pixels further on
      {16384, 1}, {1, 16384}, {2, 16384, true},                        // the largest sides
      {4, 2, false, 54, 5, 1}, {4, 2, false, 54, 1, 2}, {3, 2, false, 54, 3, 2},  // cut short
      {3, 3, false, 54, 4, 0}, {4, 2, true, 54, 5, 1}, {5, 3, true, 60, 7, 2}};
  // clang-format on
  for (const Layout& l : cases) {
    SCOPED_TRACE(testing::Message() << l.w << "x" << l.h << " top-down " << l.topDown << " @"
                                    << l.offset << " kept " << l.kept);
    const Bytes b = bmp(l);
    const auto image = assets::decodeBmp(b.v.data(), b.v.size());
    ASSERT_TRUE(image);
    EXPECT_EQ(std::make_pair(image->width, image->height), std::make_pair(l.w, l.h));
    EXPECT_TRUE(image->rgb == expected(l));
  }
}

// A texture holds the picture bottom row first, as the file stores it, with its mipmap chain.
TEST(Bmp, TexturesHoldThePictureBottomRowFirst) {
  tt::resetGlState();
  for (const Layout& l : {Layout{32, 32}, Layout{2, 4}}) {  // rows of 6 bytes padded to 8
    const Texture t = loadTexture(bmp(l));
    EXPECT_TRUE(t.texels == packed(expected(l))) << l.w;
    EXPECT_EQ(t.levels, l.w == 32 ? 6 : 3);
  }
}

// Kinds no tool of the test corpus writes, built byte by byte. Colour 0 of the table is what an
// RLE picture shows where no run reaches.
TEST(Bmp, DecodesRleSixteenAndThirtyTwoBitPictures) {
  struct Case {
    const char* what;
    Bytes file;
    std::vector<uint32_t> want;  // 0xRRGGBB, the bottom row first
  };
  const Case cases[] = {
      {"32 bits, top-down",
       bitmap(2, -2, 32, 0, {}, Bytes().u32(r).u32(g).u32(b).u32(0xFF123456)),
       {b, 0x123456, r, g}},
      {"16 bits 5-5-5, rows padded",
       bitmap(1, 2, 16, 0, {}, Bytes().u16(0x7C00).u16(0).u16(0x03FF).u16(0)),
       {r, 0x00FFFF}},
      {"1 bit, 9 wide",
       bitmap(9, 1, 1, 0, {o, r}, Bytes().u8(0xA5).u8(0x80).u16(0)),
       {r, o, r, o, o, r, o, r, r}},
      // Row 0: a run of 3 alternating 1 and 2, end of row. Row 1: 3 indices as they are (two
      // bytes, even already), end of row. Row 2: a run of 1 of index 3, then the end.
      {"RLE4",
       bitmap(4, 3, 4, 2, kTable,
              Bytes().u16(0x1203).u16(0).u16(0x0300).u16(0x3012).u16(0).u16(0x3301).u16(0x0100)),
       {r, g, r, o, r, g, b, o, b, o, o, o}},
      // Row 0: 2 of index 1, then a jump 1 right and 1 up; 1 of index 2; 3 indices as they are
      // (padded to 4 bytes), running off the row's end; the end.
      {"RLE8",
       bitmap(4, 3, 8, 1, kTable, Bytes{{2, 1, 0, 2, 1, 1, 1, 2, 0, 3, 3, 2, 1, 0, 0, 1}}),
       {r, r, o, o, o, o, o, g, o, o, o, o}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string problem;
    const auto image = assets::decodeBmp(c.file.v.data(), c.file.v.size(), &problem);
    ASSERT_TRUE(image) << problem;
    EXPECT_EQ(packed(image->rgb), c.want);
  }
}

TEST(Bmp, SaysWhyItCannotReadAFileAndLeavesTheTextureEmpty) {
  struct Case {
    const char* problem;
    size_t at, bytes;  // a little-endian value written over a 4 x 2 24-bit file there
    uint64_t value;
    size_t cutTo = 0;
  };
  const Case cases[] = {
      {"not a bitmap", 0, 2, 0x1234},
      {"a header of 20 bytes, which no bitmap has", 14, 4, 20},
      {"cut short in its headers", 0, 0, 0, 53},
      {"a width of 0", 18, 4, 0},
      {"a width of -1", 18, 4, UINT32_MAX},
      {"a height of 0", 22, 4, 0},
      {"2 bits per pixel, which the game does not read", 28, 2, 2},
      {"RLE8 with 24 bits per pixel, which the game does not read", 30, 4, 1},
      {"bit fields with 24 bits per pixel, which the game does not read", 30, 4, 3},
      {"JPEG data inside a bitmap, which the game does not read", 30, 4, 4},
      {"compression 11, which the game does not read", 30, 4, 11},
      {"no pixel data", 10, 4, 54 + 24},
      {"no pixel data", 0, 0, 0, 56},
      {"16385 x 4097 pixels, more than its 78 bytes hold", 18, 8, 0x0000100100004001},
  };
  tt::resetGlState();
  GLuint tex = 0;
  glGenTextures(1, &tex);
  std::vector<std::string> told;
  assets::setProblemListener([&](const char* path, const std::string& problem) {
    told.push_back(path + (": " + problem));
  });
  const auto expectEmpty = [&](const std::string& path, const std::string& problem) {
    told.clear();
    EXPECT_EQ(assets::loadBmpTexture(path.c_str(), tex), -1);
    EXPECT_EQ(told, std::vector<std::string>{path + ": " + problem});
    glBindTexture(GL_TEXTURE_2D, tex);
    GLint width = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 0);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.problem);
    Bytes b = bmp({4, 2});
    std::memcpy(b.v.data() + c.at, &c.value, c.bytes);
    if (c.cutTo) b.v.resize(c.cutTo);
    std::string problem;
    EXPECT_FALSE(assets::decodeBmp(b.v.data(), b.v.size(), &problem));
    EXPECT_EQ(problem, c.problem);
    expectEmpty(tt::writeTempFile("bad.bmp", b.v), c.problem);
  }
  // RLE may not run top-down; a photo and a saved error page are what they are.
  const std::string page = "<html><body>Not found</body></html>\n";
  expectEmpty(tt::writeTempFile("bad.bmp", bitmap(4, -2, 8, 1, {0}, Bytes().u16(0x0100)).v),
              "a top-down RLE bitmap, which the format does not allow");
  expectEmpty(TT_SOURCE_DIR "/tests/corpus/photo.jpg", "JPEG data, not a bitmap");
  expectEmpty(tt::writeTempFile("page.bmp", {page.begin(), page.end()}), "text, not a bitmap");
  expectEmpty(tt::tempPath("no_such.bmp"), "cannot be opened");
  assets::setProblemListener(nullptr);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  glDeleteTextures(1, &tex);
}

// Every picture reaches GLU with power-of-two sides, scaled by the area each texel covers: GLU's
// own scaling would blacken the top row of the first two, and the last two are larger than a
// texture is made. Each row of a picture here is one colour per column, the same in every row.
TEST(Bmp, TexturesComeWholeAtAnySize) {
  struct Case {
    int32_t w, h;
    std::vector<uint8_t> columns;  // the red of each column, spread evenly over the width
    int32_t texW, texH;
    std::vector<uint8_t> texels;  // the red of texel columns 0, 1, ... (or, if fewer, of the
                                  // first and the last few)
  };
  const Case cases[] = {
      {6, 4, {200}, 8, 4, std::vector<uint8_t>(8, 200)},
      {768, 512, {200}, 1024, 512, {200, 200, 200, 200}},
      {3, 1, {0, 90, 255}, 4, 1, {0, 60, 145, 255}},  // each texel 3/4 of a pixel wide
      {5, 1, {0, 50, 100, 150, 200}, 4, 1, {10, 70, 130, 190}},
      {8192, 3, {10, 250}, 4096, 2, {10, 10, 250, 250}},         // halved to fit, both sides
      {6000, 4000, {30, 60, 90}, 4096, 4096, {30, 30, 90, 90}},  // a camera's picture
  };
  tt::resetGlState();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
    Bytes b = bitmap(c.w, c.h, 24, 0, {}, Bytes());
    b.v.resize(54 + size_t(rowBytes(c.w)) * c.h);
    for (int32_t x = 0; x < c.w; ++x) {
      const uint8_t red = c.columns[size_t(x) * c.columns.size() / c.w];
      for (int32_t y = 0; y < c.h; ++y) b.v[54 + size_t(y) * rowBytes(c.w) + 3 * x + 2] = red;
    }
    const Texture t = loadTexture(b);
    ASSERT_EQ(std::make_pair(t.w, t.h), std::make_pair(c.texW, c.texH));
    const size_t n = c.texels.size();
    for (int32_t y = 0; y < t.h; ++y) {
      for (size_t k = 0; k < n; ++k) {
        // The listed columns: all of them, or the first n / 2 and the last n / 2.
        const size_t x = n == size_t(t.w) || k < n / 2 ? k : size_t(t.w) - n + k;
        ASSERT_EQ(t.texels[size_t(y) * t.w + x] >> 16, c.texels[k]) << "texel " << x << ", " << y;
      }
    }
  }
}

// Run-length pictures and pictures scaled on their way in, read back texel by texel from the
// texture. Each run-length file uses runs, jumps sideways and up, literal stretches of an odd
// length (padded to whole 16-bit words) and an early end of picture with bytes after it, which
// are not drawn. A height of 3 goes up to 4 texel rows, each the mean of what it covers: rows of
// 1/3 and 2/3 of two pictures rows, rounded to the nearest.
TEST(Bmp, RunLengthAndScaledPicturesReachTheTextureTexelForTexel) {
  // A 4 x 3 picture, each row one red (0, 100, 255 from the bottom), each column a green.
  Bytes rows, rowsTopDown;
  for (const uint8_t red : {0, 100, 255})
    for (uint8_t x = 0; x < 4; ++x) rows.u8(0).u8(uint8_t(40 * x)).u8(red);
  for (int row = 2; row >= 0; --row)
    rowsTopDown.add({{rows.v.data() + 12 * row, rows.v.data() + 12 * row + 12}});
  std::vector<uint32_t> scaled;
  for (const uint32_t red : {0, 67, 152, 255})
    for (uint32_t x = 0; x < 4; ++x) scaled.push_back(red << 16 | (40 * x) << 8);
  struct Case {
    const char* what;
    Bytes file;
    std::vector<uint32_t> want;  // 0xRRGGBB, the bottom row first (the texture's sides with it)
  };
  const Case cases[] = {
      // Row 0: 3 literal indices and their pad byte, a run of 1, the end of the row. Row 1: a jump
      // 2 right, a run of 2. Row 2: a run of 1, a jump 1 right and 1 up, then in row 3 a run of 1
      // and the end of the picture, which the run of 2 after it does not reach.
      {"RLE8",
       bitmap(4, 4, 8, 1, kTable, Bytes{{0, 3, 1, 2, 3, 0, 1, 2, 0, 0, 0, 2, 2, 0, 2, 3, 0, 0,  //
                                         1, 1, 0, 2, 1, 1, 1, 2, 0, 1, 2, 3}}),
       {r, g, b, g, o, o, b, b, r, o, o, o, o, o, g, o}},
      // Row 0: 5 literal indices in 3 bytes and a pad byte, a run of 3 alternating 1 and 3, the
      // end of the row. Row 1: a run of 4 alternating 2 and 1, a jump 2 right, a run of 2 of 3,
      // the end of the picture.
      {"RLE4",
       bitmap(8, 2, 4, 2, kTable, Bytes{{0, 5,    0x12, 0x31, 0x20, 0, 3, 0x13, 0, 0,  //
                                         4, 0x21, 0,    2,    2,    0, 2, 0x33, 0, 1}}),
       {r, g, b, r, g, r, b, r, g, r, g, r, o, o, b, b}},
      {"24 bits, 3 rows scaled to 4", bitmap(4, 3, 24, 0, {}, rows), scaled},
      {"24 bits top-down, 3 rows scaled to 4", bitmap(4, -3, 24, 0, {}, rowsTopDown), scaled},
      // Rows of index 1, 2 and 3, each a run of 4, scaled to 4 rows.
      {"RLE8, 3 rows scaled to 4",
       bitmap(4, 3, 8, 1, kTable, Bytes{{4, 1, 0, 0, 4, 2, 0, 0, 4, 3, 0, 1}}),
       {r, r, r, r, 0x55AA00, 0x55AA00, 0x55AA00, 0x55AA00, 0x00AA55, 0x00AA55, 0x00AA55, 0x00AA55,
        b, b, b, b}},
  };
  tt::resetGlState();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(loadTexture(c.file).texels, c.want);
  }
}

}  // namespace
