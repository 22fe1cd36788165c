#include "shell/render_context.h"

#include "platform/gl.h"

namespace shell {

void createRenderContext(platform::Window* window, platform::DeviceContext*& deviceContext,
                         platform::GlContext*& renderingContext) {
  deviceContext = platform::getDC(window);
  platform::setPixelFormat(deviceContext);
  renderingContext = platform::createGlContext(deviceContext);
  platform::makeCurrent(deviceContext, renderingContext);
}

void releaseRenderContext(platform::Window* window, platform::DeviceContext* deviceContext,
                          platform::GlContext* renderingContext) {
  platform::makeCurrent(nullptr, nullptr);
  platform::deleteGlContext(renderingContext);
  platform::releaseDC(window, deviceContext);
}

void setFixedGlState() {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glShadeModel(GL_SMOOTH);
  glViewport(0, 0, kClientWidth, kClientHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, 1.5, 10.0, 10000.0);
  glEnable(GL_DEPTH_TEST);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_TEXTURE_2D);
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace shell
