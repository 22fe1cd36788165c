// Bitmap decoding on files built byte by byte, and textures on a real context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "assets/bmp.h"
#include "tests/byte_builder.h"
#include "tests/gl_harness.h"

namespace {

using assets::decodeBmp;
using tt::Bytes;

struct Layout {
  int32_t w, h;
  bool topDown = false;
  uint32_t offset = 54;
};
// The colour of picture pixel (x, y), y counted from the bottom row.
std::array<uint8_t, 3> rgbAt(int x, int y) {
  return {uint8_t(200 + y), uint8_t(100 + x), uint8_t(16 * x + y)};
}
int32_t rowBytes(int32_t w) { return (w * 3 + 3) / 4 * 4; }

Bytes bmp(const Layout& l) {
  Bytes b;
  b.text("BM").u32(l.offset + rowBytes(l.w) * l.h).u32(0).u32(l.offset);
  b.u32(40).i32(l.w).i32(l.topDown ? -l.h : l.h).u16(1).u16(24).u32(0).u32(rowBytes(l.w) * l.h);
  b.i32(2835).i32(2835).u32(0).u32(0);
  while (b.size() < l.offset) b.u8(0xEE);
  for (int fileRow = 0; fileRow < l.h; ++fileRow) {
    const int y = l.topDown ? l.h - 1 - fileRow : fileRow;
    for (int x = 0; x < l.w; ++x) b.u8(rgbAt(x, y)[2]).u8(rgbAt(x, y)[1]).u8(rgbAt(x, y)[0]);
    for (int p = l.w * 3; p < rowBytes(l.w); ++p) b.u8(0xEE);
  }
  return b;
}
template <typename T>
void patch(Bytes& b, size_t at, T value) {
  std::memcpy(b.v.data() + at, &value, sizeof value);
}
// The picture after the file's first `kept` pixels in file order; later
// pixels repeat the last one kept.
std::vector<uint8_t> expected(const Layout& l, int kept) {
  std::vector<uint8_t> out;
  for (int y = 0; y < l.h; ++y)
    for (int x = 0; x < l.w; ++x) {
      const int fileIndex = (l.topDown ? l.h - 1 - y : y) * l.w + x;
      const int k = std::min(fileIndex, kept - 1);
      const int sx = k % l.w, sy = l.topDown ? l.h - 1 - k / l.w : k / l.w;
      for (uint8_t c : rgbAt(sx, sy)) out.push_back(c);
    }
  return out;
}

TEST(Bmp, FirstPixelBytesAreBlueGreenRed) {
  Bytes b = bmp({4, 1});
  b.v[54] = 0x10, b.v[55] = 0x20, b.v[56] = 0x30;
  const auto image = decodeBmp(b.v.data(), b.size());
  ASSERT_TRUE(image);
  EXPECT_EQ(std::vector<uint8_t>(image->rgb.begin(), image->rgb.begin() + 3),
            (std::vector<uint8_t>{0x30, 0x20, 0x10}));
}

TEST(Bmp, ReadsPaddedRowsOtherOffsetsAndTopDownFiles) {
  for (const Layout& l : {Layout{4, 2}, Layout{3, 2}, Layout{5, 3}, Layout{3, 2, true},
                          Layout{5, 3, true}, Layout{4, 3, false, 70}, Layout{5, 2, true, 61},
                          Layout{16384, 1}, Layout{1, 16384}, Layout{2, 16384, true}}) {
    SCOPED_TRACE(testing::Message() << l.w << "x" << l.h << (l.topDown ? " top-down @" : " @") << l.offset);
    const Bytes b = bmp(l);
    const auto image = decodeBmp(b.v.data(), b.size());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, l.w);
    EXPECT_EQ(image->height, l.h);
    EXPECT_TRUE(image->rgb == expected(l, l.w * l.h));
  }
}

TEST(Bmp, ShortFileRepeatsTheLastWholePixel) {
  struct Case {
    Layout l;
    int kept, extraBytes;
  };
  for (const Case& c : {Case{{4, 2}, 5, 1}, Case{{4, 2}, 1, 2}, Case{{3, 2}, 3, 2}, Case{{3, 3}, 4, 0},
                        Case{{4, 2, true}, 5, 1}, Case{{5, 3, true, 60}, 7, 2}}) {
    SCOPED_TRACE(testing::Message() << c.l.w << "x" << c.l.h << " kept " << c.kept);
    Bytes b = bmp(c.l);
    b.v.resize(c.l.offset + c.kept / c.l.w * rowBytes(c.l.w) + c.kept % c.l.w * 3 + c.extraBytes);
    const auto image = decodeBmp(b.v.data(), b.size());
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->rgb == expected(c.l, c.kept));
  }
}

TEST(Bmp, RejectsWhatItCannotRead) {
  struct Case {
    const char* what;
    std::function<void(Bytes&)> spoil;
  };
  const auto depth = [](uint16_t d) { return [d](Bytes& b) { patch(b, 28, d); }; };
  const auto compression = [](uint32_t c) { return [c](Bytes& b) { patch(b, 30, c); }; };
  const auto width = [](int32_t w) { return [w](Bytes& b) { patch(b, 18, w); }; };
  const auto height = [](int32_t h) { return [h](Bytes& b) { patch(b, 22, h); }; };
  const auto size = [](size_t n) { return [n](Bytes& b) { b.v.resize(n); }; };
  const auto offset = [](uint32_t o) { return [o](Bytes& b) { patch(b, 10, o); }; };
  const Case cases[] = {
      {"1 bit", depth(1)},       {"8 bits", depth(8)},          {"16 bits", depth(16)},
      {"32 bits", depth(32)},    {"rle", compression(1)},       {"bitfields", compression(3)},
      {"width 0", width(0)},     {"width -1", width(-1)},       {"width 16385", width(16385)},
      {"width max", width(INT32_MAX)}, {"width min", width(INT32_MIN)}, {"height 0", height(0)},
      {"height 16385", height(16385)}, {"height -16385", height(-16385)},
      {"height max", height(INT32_MAX)}, {"height min", height(INT32_MIN)},
      {"headers cut", size(53)}, {"no whole pixel", size(56)}, {"offset at end", offset(54 + 24)},
      {"offset past end", offset(0xFFFFFFFF)},
  };
  for (const Case& c : cases) {
    Bytes b = bmp({4, 2});
    c.spoil(b);
    EXPECT_FALSE(decodeBmp(b.v.data(), b.size())) << c.what;
  }
}

GLint texParam(GLenum name) {
  GLint v = -1;
  glGetTexParameteriv(GL_TEXTURE_2D, name, &v);
  return v;
}
GLint levelWidth(int level) {
  GLint w = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
  return w;
}
GLint boundTexture() {
  GLint t = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &t);
  return t;
}
GLint envMode() {
  GLint m = -1;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &m);
  return m;
}

TEST(Bmp, TextureRowZeroIsTheBottomOfThePicture) {
  tt::resetGlState();
  Bytes b = bmp({32, 32});
  for (size_t i = 54; i < b.size(); ++i) b.v[i] = 0;
  b.v[56] = 0xFF;  // the first pixel in the file is the bottom-left one
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  GLuint tex = 0;
  glGenTextures(1, &tex);
  EXPECT_EQ(assets::loadBmpTexture(tt::writeTempFile("red_corner.bmp", b.v).c_str(), tex), 1);
  EXPECT_EQ(boundTexture(), static_cast<GLint>(tex));
  EXPECT_EQ(texParam(GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(texParam(GL_TEXTURE_WRAP_T), GL_REPEAT);
  EXPECT_EQ(texParam(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(texParam(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
  EXPECT_EQ(envMode(), GL_REPLACE);
  EXPECT_EQ(levelWidth(0), 32);
  EXPECT_EQ(levelWidth(1), 16);  // the mipmap chain was built
  EXPECT_EQ(levelWidth(5), 1);
  std::vector<uint8_t> texels(32 * 32 * 3, 0x77);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  for (size_t i = 0; i < texels.size(); ++i) ASSERT_EQ(texels[i], i == 0 ? 0xFF : 0) << i;
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  glDeleteTextures(1, &tex);
}

TEST(Bmp, PaddedRowsUploadUnshiftedAndLeaveUnpackAlignment) {
  tt::resetGlState();
  const Layout l{2, 4};  // rows of 6 bytes, padded to 8 in the file; no scaling needed
  GLuint tex = 0;
  glGenTextures(1, &tex);
  EXPECT_EQ(assets::loadBmpTexture(tt::writeTempFile("padded.bmp", bmp(l).v).c_str(), tex), 1);
  GLint align = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
  EXPECT_EQ(align, 4);
  std::vector<uint8_t> texels(2 * 4 * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_TRUE(texels == expected(l, 8));
  glDeleteTextures(1, &tex);
}

TEST(Bmp, RejectedOrMissingFileMakesNoGlCall) {
  tt::resetGlState();
  Bytes eightBit = bmp({4, 2});
  patch(eightBit, 28, uint16_t(8));
  for (const std::string& path :
       {tt::tempPath("no_such_picture.bmp"), tt::writeTempFile("eight.bmp", eightBit.v),
        tt::writeTempFile("tiny.bmp", std::vector<uint8_t>(10, 0x42))}) {
    SCOPED_TRACE(path);
    GLuint names[2] = {};
    glGenTextures(2, names);
    glBindTexture(GL_TEXTURE_2D, names[1]);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    EXPECT_EQ(assets::loadBmpTexture(path.c_str(), names[0]), -1);
    EXPECT_EQ(boundTexture(), static_cast<GLint>(names[1]));
    EXPECT_EQ(envMode(), GL_MODULATE);
    for (GLuint t : names) {
      glBindTexture(GL_TEXTURE_2D, t);
      EXPECT_EQ(texParam(GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
      EXPECT_EQ(levelWidth(0), 0);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDeleteTextures(2, names);
  }
  tt::resetGlState();
}

TEST(Bmp, GeneratedPicturesDecode) {
  const std::string dir = tt::dataDir() + "/";
  if (tt::readWholeFile(dir + "font.bmp").empty()) GTEST_SKIP() << "no generated data in " << dir;
  for (const char* name : {"linen.bmp", "earth.bmp", "clay.bmp", "pizza.bmp", "spot.bmp", "b_skin.bmp",
                           "l_skin.bmp", "font.bmp", "win.bmp", "lose.bmp"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = tt::readWholeFile(dir + name);
    const auto image = decodeBmp(bytes.data(), bytes.size());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width % 4, 0);
    EXPECT_EQ(bytes.size(), 54u + static_cast<size_t>(image->width) * image->height * 3);
    const std::string n = name;
    if (n == "font.bmp") { EXPECT_EQ(image->width, image->height); }
    if (n == "win.bmp" || n == "lose.bmp") { EXPECT_EQ(image->width * 2, image->height * 3); }
  }
}

}  // namespace
