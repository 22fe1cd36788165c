#include "tests/gl_harness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "game/world_state.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "platform/sound.h"
#include "shell/render_context.h"

// Under the leak checker, a process that both captures in feedback mode and renders with real
// textures ends with a few blocks inside Mesa's software driver that no pointer the checker scans
// still holds; the frames are the driver's own, without names. Only those are let pass.
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

namespace tt {
namespace {
shell::RenderContext gContext;

// Tests never need a display or a sound card; a caller's own choice wins.
const bool gQuietDrivers = [] {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  return true;
}();
}  // namespace

void ensureGlContext() {
  if (gContext.renderingContext) return;
  const auto need = [](bool made, const char* what) {
    if (made) return;
    std::fprintf(stderr, "no offscreen %s: %s\n", what, platform::lastError());
    std::abort();
  };
  need(platform::initVideo(), "video");
  gContext.window = platform::createWindow(
      {"Tabletumble v1.1", 50, 50, shell::kClientWidth, shell::kClientHeight, nullptr});
  shell::createRenderContext(gContext.window, gContext.deviceContext, gContext.renderingContext);
  need(gContext.renderingContext != nullptr, "GL context");
  shell::setFixedGlState();
  game::gFrame.deviceContext = gContext.deviceContext;
}

void resetGlState() {
  ensureGlContext();
  glBindTexture(GL_TEXTURE_2D, 0);
  shell::setFixedGlState();
  glLoadIdentity();
}

Rgb readPixel(int x, int y) {
  uint8_t p[4] = {};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

Polygons capture(const std::function<void()>& draw, float left, float bottom) {
  ensureGlContext();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(left, left + shell::kClientWidth, bottom, bottom + shell::kClientHeight, -1000, 1000);
  glMatrixMode(GL_MODELVIEW);
  // Room for a whole play frame of the game's meshes, or a board of some 600 glyphs.
  static GLfloat b[1 << 20];
  glFeedbackBuffer(1 << 20, GL_3D_COLOR_TEXTURE, b);
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint n = glRenderMode(GL_RENDER);
  Polygons polygons;
  // Each polygon: its token, its corner count, then x y z, r g b a, s t r q per corner.
  for (GLint i = 0; i < n && b[i] == GL_POLYGON_TOKEN; i += 2 + 11 * static_cast<int>(b[i + 1])) {
    polygons.emplace_back();
    for (const GLfloat* v = b + i + 2; v < b + i + 2 + 11 * static_cast<int>(b[i + 1]); v += 11)
      polygons.back().push_back({v[0] + left, v[1] + bottom, (0.5f - v[2]) * 2000, v[7], v[8]});
  }
  return polygons;
}

bool TextLine::operator==(const TextLine& o) const {
  const auto near = [](float a, float b) { return std::fabs(a - b) < 1e-3f; };
  return text == o.text && dir == o.dir && near(size, o.size) && near(x, o.x) && near(y, o.y) &&
         near(z, o.z);
}

std::ostream& operator<<(std::ostream& out, const TextLine& l) {
  return out << '"' << l.text << "\" " << l.size << " at " << l.x << "," << l.y << "," << l.z
             << (l.dir < 0 ? " backwards" : "");
}

std::vector<TextLine> readText(const Polygons& drawn) {
  std::vector<TextLine> lines;
  int glyphs = 0;  // in the last line
  for (const auto& polygon : drawn) {
    float s0 = 1e9f, s1 = -1e9f, t1 = -1e9f, y0 = 1e9f, y1 = -1e9f, z = 0;
    for (const Corner& c : polygon) {
      s0 = std::min(s0, c.s), s1 = std::max(s1, c.s), t1 = std::max(t1, c.t);
      y0 = std::min(y0, c.y), y1 = std::max(y1, c.y), z += c.z / polygon.size();
    }
    float left = 0, right = 0;  // x on the glyph's first and second edge
    for (const Corner& c : polygon) (c.s == s0 ? left : right) = c.x;
    const float size = y1 - y0;
    if (std::fabs(s1 - s0 - 0.1f) > 1e-4f || std::fabs(std::fabs(right - left) - size) > 1e-3f)
      continue;  // not a glyph square: a picture or a mesh
    // The cell's row counts down from the top of the picture; cells outside the grid show the
    // one the texture's repeat wrap folds them onto.
    const long row = std::lround((1 - t1) * 10), column = std::lround(s0 * 10);
    const char ch = static_cast<char>(32 + (row % 10 + 10) % 10 * 10 + (column % 10 + 10) % 10);
    const int dir = right > left ? 1 : -1;
    TextLine* line = lines.empty() ? nullptr : &lines.back();
    const auto at = [&](int i) { return TextLine{"", size, line->x + dir * size * i, y0, z, dir}; };
    if (line && at(glyphs - 1) == TextLine{"", size, left, y0, z, dir} && line->text.back() == ch)
      continue;  // the same square again: a quad handed back as two triangles
    if (line && at(glyphs) == TextLine{"", size, left, y0, z, dir}) {
      line->text += ch, ++glyphs;
    } else {
      lines.push_back({std::string(1, ch), size, left, y0, z, dir}), glyphs = 1;
    }
  }
  return lines;
}

SoundLog::SoundLog() {
  platform::setSoundObserver(
      [this](const uint8_t* image, unsigned flags, bool) { plays.emplace_back(image, flags); });
}
SoundLog::~SoundLog() { platform::setSoundObserver(nullptr); }

std::string dataDir() { return TT_DATA_DIR; }

}  // namespace tt
