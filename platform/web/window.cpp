#include <SDL/SDL.h>
#include <emscripten.h>

#include "platform/message_queue.h"
#include "platform/platform.h"

namespace platform {

// The page has one canvas; the window is that canvas.
struct Window {
  int width = 0, height = 0;
};

// Emscripten's SDL owns the one WebGL context of the canvas.
struct GlContext {
  SDL_Surface* screen = nullptr;
};

namespace {

const double gProgramStart = emscripten_get_now();
// The canvas is shown only once the browser has control again, and events
// arrive only then too: a frame that took its whole 30 ms must still yield.
bool gDrewSinceYield = false;

static_assert(SDLK_ESCAPE == 0x1B && SDLK_a == 'a' && SDLK_F4 == (61 | SDLK_SCANCODE_MASK),
              "the shared key mapping reads SDL's key codes");

bool translate(const SDL_Event& event, Message& out) {
  switch (event.type) {
    case SDL_MOUSEMOTION:  // already in canvas pixels
      out = queue::message(kMsgMouseMove, 0, packPoint(event.motion.x, event.motion.y));
      return true;
    case SDL_KEYDOWN:  // the browser's auto-repeat sends further key-downs, as the game expects
      out = queue::message(kMsgKeyDown, queue::virtualKey(event.key.keysym.sym, SDLK_SCANCODE_MASK),
                           0);
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
  auto* window = new Window{options.clientWidth, options.clientHeight};
  queue::attachWindow(window, options.proc);
  return window;
}

// A page has no minimised or hidden start: the canvas is simply there.
int startupShowCommand() { return kShowDefault; }

void showWindow(Window*, int) {}

void destroyWindow(Window* window) {
  queue::detachWindow(window);
  delete window;
}

// A page cannot move the pointer; the game's first move counts from its
// stored start position all the same.
void setCursorPos(int, int) {}

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
  if (queue::takeSent(out) || pollOne(out)) return true;
  if (gDrewSinceYield) {
    gDrewSinceYield = false;
    emscripten_sleep(0);
    if (pollOne(out)) return true;
  }
  return queue::takeQuit(out);
}

void waitForMessage(int timeoutMs) {
  if (timeoutMs <= 0 || queue::pending()) return;
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
