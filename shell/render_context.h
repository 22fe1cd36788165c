// The game's one window with its OpenGL context, and the fixed GL state that
// every frame relies on.
#pragma once

#include "platform/platform.h"

namespace shell {

constexpr int kClientWidth = 960;
constexpr int kClientHeight = 640;

struct RenderContext {
  platform::Window* window = nullptr;
  platform::DeviceContext* deviceContext = nullptr;
  platform::GlContext* renderingContext = nullptr;
};

void createRenderContext(platform::Window* window, platform::DeviceContext*& deviceContext,
                         platform::GlContext*& renderingContext);
void releaseRenderContext(platform::Window* window, platform::DeviceContext* deviceContext,
                          platform::GlContext* renderingContext);

// Set once at start; the viewport and projection are never set again.
void setFixedGlState();

}  // namespace shell
