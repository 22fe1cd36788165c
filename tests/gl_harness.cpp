#include "tests/gl_harness.h"

#include <cstdio>
#include <cstdlib>

#include "game/world_state.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "platform/sound.h"
#include "shell/render_context.h"

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
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (!platform::initVideo()) {
    std::fprintf(stderr, "no offscreen video: %s\n", platform::lastError());
    std::abort();
  }
  gContext.window = platform::createWindow(
      {"Tabletumble v1.1", 50, 50, shell::kClientWidth, shell::kClientHeight, nullptr});
  shell::createRenderContext(gContext.window, gContext.deviceContext, gContext.renderingContext);
  if (!gContext.renderingContext) {
    std::fprintf(stderr, "no offscreen GL context: %s\n", platform::lastError());
    std::abort();
  }
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

std::vector<Rgb> readFrame() {
  std::vector<Rgb> frame(static_cast<size_t>(shell::kClientWidth) * shell::kClientHeight);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, shell::kClientWidth, shell::kClientHeight, GL_RGB, GL_UNSIGNED_BYTE,
               frame.data());
  return frame;
}

Polygons capture(const std::function<void()>& draw, float left, float bottom) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(left, left + shell::kClientWidth, bottom, bottom + shell::kClientHeight, -1000, 1000);
  glMatrixMode(GL_MODELVIEW);
  static GLfloat b[8192];
  glFeedbackBuffer(8192, GL_3D_COLOR_TEXTURE, b);
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

SoundLog::SoundLog() {
  platform::setSoundObserver([this](const uint8_t* image, unsigned flags, bool on) {
    plays.emplace_back(image, flags);
    started.push_back(on);
  });
}
SoundLog::~SoundLog() { platform::setSoundObserver(nullptr); }

std::string dataDir() { return TT_DATA_DIR; }

}  // namespace tt
