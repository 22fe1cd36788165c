// Bitmap decoding on files built byte by byte, and textures on the real offscreen context.
#include "assets/bmp.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>

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

Bytes bmp(const Layout& l) {
  Bytes b;
  b.text("BM").u32(l.offset + rowBytes(l.w) * l.h).u32(0).u32(l.offset);
  b.u32(40).u32(l.w).u32(l.topDown ? -l.h : l.h).u16(1).u16(24).u32(0);
  b.u32(rowBytes(l.w) * l.h).u32(2835).u32(2835).u32(0).u32(0);
  while (b.v.size() < l.offset) b.u8(0xEE);
  for (int row = 0; row < l.h; ++row) {
    for (int x = 0; x < l.w; ++x) {
      const auto c = rgbAt(x, fileRow(l, row));
      b.u8(c[2]).u8(c[1]).u8(c[0]);
    }
    while (b.v.size() < l.offset + rowBytes(l.w) * (row + 1)) b.u8(0xEE);
  }
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
    EXPECT_EQ(image->width, l.w);
    EXPECT_EQ(image->height, l.h);
    EXPECT_TRUE(image->rgb == expected(l));
  }
}

// A texture holds the picture bottom row first, as the file stores it, with its mipmap chain.
TEST(Bmp, TexturesHoldThePictureBottomRowFirst) {
  tt::resetGlState();
  for (const Layout& l : {Layout{32, 32}, Layout{2, 4}}) {  // rows of 6 bytes padded to 8
    GLuint tex = 0;
    glGenTextures(1, &tex);
    EXPECT_EQ(assets::loadBmpTexture(tt::writeTempFile("tex.bmp", bmp(l).v).c_str(), tex), 1);
    std::vector<uint8_t> texels(expected(l).size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_TRUE(texels == expected(l)) << l.w;
    GLint smallest = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, l.w == 32 ? 5 : 2, GL_TEXTURE_WIDTH, &smallest);
    EXPECT_EQ(smallest, 1);
    glDeleteTextures(1, &tex);
  }
}

TEST(Bmp, RejectsWhatItCannotReadAndLeavesTheTextureEmpty) {
  struct Case {
    const char* what;
    size_t at, bytes;  // a little-endian value written over the header there
    uint32_t value;
    size_t cutTo = 0;
  };
  // clang-format off
  const Case cases[] = {
      {"1 bit", 28, 2, 1}, {"8 bits", 28, 2, 8}, {"16 bits", 28, 2, 16}, {"32 bits", 28, 2, 32},
      {"rle", 30, 4, 1}, {"bitfields", 30, 4, 3},
      {"width 0", 18, 4, 0}, {"width -1", 18, 4, UINT32_MAX}, {"width 16385", 18, 4, 16385},
      {"width max", 18, 4, INT32_MAX}, {"width min", 18, 4, 1u << 31},
      {"height 0", 22, 4, 0}, {"height 16385", 22, 4, 16385},
      {"height -16385", 22, 4, uint32_t(-16385)}, {"height max", 22, 4, INT32_MAX},
      {"height min", 22, 4, 1u << 31}, {"headers cut", 0, 0, 0, 53},
      {"no whole pixel", 0, 0, 0, 56}, {"offset at end", 10, 4, 54 + 24},
      {"offset past end", 10, 4, UINT32_MAX}};
  // clang-format on
  tt::resetGlState();
  GLuint tex = 0;
  glGenTextures(1, &tex);
  const auto expectEmpty = [&](const std::string& path) {
    EXPECT_EQ(assets::loadBmpTexture(path.c_str(), tex), -1);
    glBindTexture(GL_TEXTURE_2D, tex);
    GLint width = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 0);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes b = bmp({4, 2});
    std::memcpy(b.v.data() + c.at, &c.value, c.bytes);
    if (c.cutTo) b.v.resize(c.cutTo);
    EXPECT_FALSE(assets::decodeBmp(b.v.data(), b.v.size()));
    expectEmpty(tt::writeTempFile("bad.bmp", b.v));
  }
  expectEmpty(tt::tempPath("no_such.bmp"));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  glDeleteTextures(1, &tex);
}

}  // namespace
