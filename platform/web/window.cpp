#include <SDL/SDL.h>
#include <emscripten.h>

#include "platform/platform.h"

namespace platform {

// The page has one canvas; the window is that canvas.
struct Window {
  WindowProc proc = nullptr;
  int width = 0, height = 0;
};

struct DeviceContext {
  Window* window = nullptr;
};

// Emscripten's SDL owns the one WebGL context of the canvas.
struct GlContext {
  SDL_Surface* screen = nullptr;
};

namespace {

const double gProgramStart = emscripten_get_now();
Window* gWindow = nullptr;
DeviceContext gDeviceContext;
bool gQuitPosted = false;
int gQuitCode = 0;
// The canvas is shown only once the browser has control again, and events
// arrive only then too: a frame that took its whole 30 ms must still yield.
bool gDrewSinceYield = false;

Message makeMessage(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  Message m;
  m.window = gWindow;
  m.code = code;
  m.wParam = wParam;
  m.lParam = lParam;
  return m;
}

uintptr_t virtualKey(SDLKey key) {
  if (key == SDLK_ESCAPE) return kKeyEscape;
  if (key == SDLK_F4) return kKeyF4;
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<uintptr_t>('A' + (key - SDLK_a));
  if (key >= 0 && key < 128) return static_cast<uintptr_t>(key);
  return static_cast<uintptr_t>(key & 0xFFFF) | 0x10000;
}

bool translate(const SDL_Event& event, Message& out) {
  switch (event.type) {
    case SDL_MOUSEMOTION:  // already in canvas pixels
      out = makeMessage(kMsgMouseMove, 0, packPoint(event.motion.x, event.motion.y));
      return true;
    case SDL_KEYDOWN:  // the browser's auto-repeat sends further key-downs, as the game expects
      out = makeMessage(kMsgKeyDown, virtualKey(event.key.keysym.sym), 0);
      return true;
    default:
      return false;
  }
}

bool pollOne(Message& out) {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (translate(event, out)) return true;
  }
  return false;
}

}  // namespace

bool initVideo() { return SDL_Init(SDL_INIT_VIDEO) == 0; }

// The game is over for this page: the page offers to play again.
void shutdownVideo() {
  SDL_Quit();
  EM_ASM({
    if (Module.onGameEnd) Module.onGameEnd();
  });
}

const char* lastError() { return SDL_GetError(); }

Window* createWindow(const WindowOptions& options) {
  gWindow = new Window{options.proc, options.clientWidth, options.clientHeight};
  return gWindow;
}

// A page has no minimised or hidden start: the canvas is simply there.
int startupShowCommand() { return kShowDefault; }

void showWindow(Window*, int) {}

void destroyWindow(Window* window) {
  if (!window) return;
  if (window->proc) window->proc(window, kMsgDestroy, 0, 0);
  if (gWindow == window) gWindow = nullptr;
  delete window;
}

// A page cannot move the pointer; the game's first move counts from its
// stored start position all the same.
void setCursorPos(int, int) {}

DeviceContext* getDC(Window* window) {
  gDeviceContext.window = window;
  return window ? &gDeviceContext : nullptr;
}

void releaseDC(Window*, DeviceContext* dc) {
  if (dc) dc->window = nullptr;
}

// The canvas's format is asked for with its context, in createGlContext.
void setPixelFormat(DeviceContext*) {}

GlContext* createGlContext(DeviceContext* dc) {
  if (!dc || !dc->window) return nullptr;
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Surface* screen = SDL_SetVideoMode(dc->window->width, dc->window->height, 32, SDL_OPENGL);
  if (!screen) return nullptr;
  return new GlContext{screen};
}

bool makeCurrent(DeviceContext*, GlContext*) { return true; }

void deleteGlContext(GlContext* context) { delete context; }

void swapBuffers(DeviceContext*) {
  SDL_GL_SwapBuffers();
  gDrewSinceYield = true;
}

bool peekMessage(Message& out) {
  if (pollOne(out)) return true;
  if (gDrewSinceYield) {
    gDrewSinceYield = false;
    emscripten_sleep(0);
    if (pollOne(out)) return true;
  }
  if (gQuitPosted) {
    gQuitPosted = false;
    out = makeMessage(kMsgQuit, static_cast<uintptr_t>(gQuitCode), 0);
    return true;
  }
  return false;
}

void translateMessage(const Message&) {}

intptr_t dispatchMessage(const Message& message) {
  Window* window = message.window ? message.window : gWindow;
  if (!window || !window->proc) return 0;
  return window->proc(window, message.code, message.wParam, message.lParam);
}

// A page has no system menu: nothing takes the default path.
intptr_t defWindowProc(Window*, uint32_t, uintptr_t, intptr_t) { return 0; }

void postQuitMessage(int exitCode) {
  gQuitPosted = true;
  gQuitCode = exitCode;
}

void waitForMessage(int timeoutMs) {
  if (timeoutMs <= 0 || gQuitPosted) return;
  gDrewSinceYield = false;
  emscripten_sleep(static_cast<unsigned>(timeoutMs));
}

// performance.now(), counted from the program's start.
int32_t clockMs() { return static_cast<int32_t>(emscripten_get_now() - gProgramStart); }

// The page shows the line where the player looks, under the canvas.
void showErrorBox(const char*, const char* text) {
  EM_ASM(
      {
        if (Module.showError) Module.showError(UTF8ToString($0));
      },
      text);
}

}  // namespace platform
