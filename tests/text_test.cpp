// Bitmap-font lines as real OpenGL receives them: feedback mode reports every
// corner with its texture coordinate, and a real frame shows the glyphs.
#include "text/text.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "assets/bmp.h"
#include "tests/gl_harness.h"

namespace {

struct Corner {
  float x, y, z, s, t;  // eye position and texture coordinate
};

// Corners of every polygon drawn, one list per polygon. The projection maps
// window coordinates back to eye ones by subtracting (480, 320).
std::vector<std::vector<Corner>> capture(const std::function<void()>& draw) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-480, 480, -320, 320, -100, 100);
  glMatrixMode(GL_MODELVIEW);
  static GLfloat b[8192];
  glFeedbackBuffer(8192, GL_3D_COLOR_TEXTURE, b);
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint n = glRenderMode(GL_RENDER);
  std::vector<std::vector<Corner>> polygons;
  for (GLint i = 0; i < n && b[i] == GL_POLYGON_TOKEN; i += 2 + 11 * static_cast<int>(b[i + 1])) {
    polygons.emplace_back();
    for (int k = 0; k < b[i + 1]; ++k) {  // x y z, r g b a, s t r q
      const GLfloat* v = b + i + 2 + 11 * k;
      polygons.back().push_back({v[0] - 480, v[1] - 320, (0.5f - v[2]) * 200, v[7], v[8]});
    }
  }
  return polygons;
}

struct FontTexture {  // a font name of its own, the previous one put back after
  GLuint name = 0, previous = text::fontTexture();
  FontTexture() {
    tt::resetGlState();
    glGenTextures(1, &name);
    text::setFontTexture(name);
  }
  ~FontTexture() {
    text::setFontTexture(previous);
    glDeleteTextures(1, &name);
    tt::resetGlState();
  }
};

TEST(DrawText, EachCharacterIsASquareCutFromItsGlyphCell) {
  FontTexture font;
  struct Case {
    std::string text;
    float size, x, y, z, angle;
    std::vector<std::pair<float, float>> cells;  // s and t of each glyph's bottom left
  };
  const Case cases[] = {
      {"A", 10, 100, 50, 0, 0, {{0.3f, 0.6f}}},
      {" ", 10, 100, 50, 0, 0, {{0.0f, 0.9f}}},
      {"~", 10, 100, 50, 0, 0, {{0.4f, 0.0f}}},
      {"\xe9", 10, 100, 50, 0, 0, {{-0.5f, 1.4f}}},  // a signed byte, -23
      {"\x1f", 10, 100, 50, 0, 0, {{-0.1f, 0.9f}}},  // rows truncate toward zero
      {"Hi9!0",
       12.5f,
       -200,
       -100,
       5,
       0,
       {{0, 0.5f}, {0.3f, 0.2f}, {0.5f, 0.7f}, {0.1f, 0.9f}, {0.6f, 0.8f}}},
      // Turned about the vertical: runs toward -x from its corner.
      {"299", 7.5f, 13.3f, 40, -3, 180, {{0.8f, 0.8f}, {0.5f, 0.7f}, {0.5f, 0.7f}}},
      {"", 10, 0, 0, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto drawn =
        capture([&] { text::drawText(c.size, c.x, c.y, c.z, c.angle, c.text.c_str()); });
    const float dir = c.angle == 0 ? 1.0f : -1.0f;
    std::set<size_t> seen;
    for (const auto& p : drawn) {
      float mid = 0;
      for (const Corner& k : p) mid += dir * (k.x - c.x) / c.size / p.size();
      const size_t i = static_cast<size_t>(std::floor(mid));
      ASSERT_LT(i, c.cells.size());
      seen.insert(i);
      for (const Corner& k : p) {
        // Corners of the i-th square (u, v each 0 or 1) with the glyph's
        // left edge at its left and the glyph's top at its top.
        const float u = dir * (k.x - c.x) / c.size - i, v = (k.y - c.y) / c.size;
        EXPECT_NEAR(std::min(u, 1 - u), 0, 1e-5);
        EXPECT_NEAR(std::min(v, 1 - v), 0, 1e-5);
        EXPECT_NEAR(k.s, c.cells[i].first + 0.1f * std::round(u), 1e-6);
        EXPECT_NEAR(k.t, c.cells[i].second + 0.1f * std::round(v), 1e-6);
        EXPECT_NEAR(k.z, c.z, 1e-3);
      }
    }
    EXPECT_EQ(seen.size(), c.cells.size());
  }
}

TEST(DrawText, KeepsTheCallersMatrixAndLeavesTheFontBound) {
  FontTexture font;
  GLuint other = 0;
  glGenTextures(1, &other);
  glTranslatef(5, -7, 1);
  glRotatef(20, 0, 0, 1);
  GLfloat before[16], after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  GLint depthBefore = 0, depthAfter = 0, bound = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
  for (const char* line : {"Hi", ""}) {
    glBindTexture(GL_TEXTURE_2D, other);
    EXPECT_EQ(capture([&] { text::drawText(3, 1, 2, 3, 45, line); }).empty(), !*line);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_TRUE(std::equal(before, before + 16, after)) << line;
    EXPECT_EQ(depthAfter, depthBefore);
    EXPECT_EQ(static_cast<GLuint>(bound), font.name) << line;
  }
  glDeleteTextures(1, &other);
}

TEST(DrawText, GeneratedFontShowsTheCountdownAtTheUpperLeft) {
  const std::string path = tt::dataDir() + "/font.bmp";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no generated " << path;
  FontTexture font;
  ASSERT_EQ(assets::loadBmpTexture(path.c_str(), font.name), 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glTranslatef(0, 0, -20);
  text::drawText(0.5f, -12, 7.5f, 0, 0, "299");
  glFinish();
  const auto frame = tt::readFrame();
  const auto at = [&](int x, int y) { return frame[static_cast<size_t>(y) * 960 + x]; };
  int left = 960, right = -1, bottom = 640, top = -1;
  for (int y = 0; y < 640; ++y)
    for (int x = 0; x < 960; ++x)
      if (!(at(x, y) == tt::Rgb{0, 0, 0}))
        left = std::min(left, x), right = std::max(right, x), bottom = std::min(bottom, y),
        top = std::max(top, y);
  ASSERT_GE(right, 0) << "nothing drawn";
  const int w = right - left + 1, h = top - bottom + 1;  // three square cells side by side
  EXPECT_NEAR(w, 3 * h, 4) << w << "x" << h;
  EXPECT_GT(h, 10);
  EXPECT_LT(right, 960 / 4);
  EXPECT_GT(bottom, 640 * 3 / 4);
  for (int cell = 0; cell < 3; ++cell) {
    int ink = 0, paper = 0;  // dark ink on cream
    for (int y = bottom; y <= top; ++y)
      for (int x = left + cell * w / 3; x < left + (cell + 1) * w / 3; ++x) {
        const tt::Rgb p = at(x, y);
        ink += p.r + p.g + p.b < 300;
        paper += p.r + p.g + p.b > 560 && p.r > p.b;
      }
    EXPECT_GT(ink, 5) << cell;
    EXPECT_GT(paper, h * w / 12) << cell;
  }
}

}  // namespace
