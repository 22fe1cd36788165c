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

// The bound texture, its wrapping and filters, the texture environment, the unpack alignment, and
// the widths of mipmap levels 0, 1 and `level`.
std::vector<GLint> glState(int level) {
  std::vector<GLint> s(10, -1);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &s[0]);
  const GLenum params[] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_MAG_FILTER,
                           GL_TEXTURE_MIN_FILTER};
  for (int i = 0; i < 4; ++i) glGetTexParameteriv(GL_TEXTURE_2D, params[i], &s[1 + i]);
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &s[5]);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &s[6]);
  for (int i = 0; i < 3; ++i)
    glGetTexLevelParameteriv(GL_TEXTURE_2D, i < 2 ? i : level, GL_TEXTURE_WIDTH, &s[7 + i]);
  return s;
}

TEST(Bmp, TexturesHoldThePictureBottomRowFirst) {
  struct Case {
    Layout l;
    std::array<uint8_t, 3> file,
        texel;  // the first pixel in the file (blue, green, red) and texel (0, 0)
    int lastLevel;
  };
  const Case cases[] = {{{32, 32}, {0, 0, 0xFF}, {0xFF, 0, 0}, 5},
                        {{4, 1}, {0x10, 0x20, 0x30}, {0x30, 0x20, 0x10}, 2},
                        {{2, 4}, {1, 2, 3}, {3, 2, 1}, 2}};  // rows of 6 bytes padded to 8
  for (const Case& c : cases) {
    SCOPED_TRACE(c.l.w);
    tt::resetGlState();
    Bytes b = bmp(c.l);
    std::memcpy(b.v.data() + 54, c.file.data(), 3);
    std::vector<uint8_t> want = expected(c.l), texels(want.size());
    std::memcpy(want.data(), c.texel.data(), 3);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    GLuint tex = 0;
    glGenTextures(1, &tex);
    EXPECT_EQ(assets::loadBmpTexture(tt::writeTempFile("tex.bmp", b.v).c_str(), tex), 1);
    EXPECT_EQ(glState(c.lastLevel), (std::vector<GLint>{GLint(tex), GL_REPEAT, GL_REPEAT, GL_LINEAR,
                                                        GL_LINEAR_MIPMAP_NEAREST, GL_REPLACE, 4,
                                                        c.l.w, std::max(1, c.l.w / 2), 1}));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_TRUE(texels == want);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteTextures(1, &tex);
  }
}

TEST(Bmp, RejectsWhatItCannotReadWithNoGlCall) {
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
  GLuint names[2] = {};
  glGenTextures(2, names);
  const auto expectNoGlCall = [&](const std::string& path) {
    glBindTexture(GL_TEXTURE_2D, names[1]);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    EXPECT_EQ(assets::loadBmpTexture(path.c_str(), names[0]), -1);
    for (GLuint t : {names[1], names[0]}) {
      EXPECT_EQ(glState(0),
                (std::vector<GLint>{GLint(t), GL_REPEAT, GL_REPEAT, GL_LINEAR,
                                    GL_NEAREST_MIPMAP_LINEAR, GL_MODULATE, 4, 0, 0, 0}));
      glBindTexture(GL_TEXTURE_2D, names[0]);
    }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes b = bmp({4, 2});
    std::memcpy(b.v.data() + c.at, &c.value, c.bytes);
    if (c.cutTo) b.v.resize(c.cutTo);
    EXPECT_FALSE(assets::decodeBmp(b.v.data(), b.v.size()));
    expectNoGlCall(tt::writeTempFile("bad.bmp", b.v));
  }
  expectNoGlCall(tt::tempPath("no_such.bmp"));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  glDeleteTextures(2, names);
}

}  // namespace
