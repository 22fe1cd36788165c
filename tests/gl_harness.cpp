#include "tests/gl_harness.h"

#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

#include "game/world_state.h"
#include "platform/platform.h"
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

std::string dataDir() { return TT_DATA_DIR; }

}  // namespace tt
