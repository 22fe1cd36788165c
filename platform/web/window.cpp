#include <emscripten.h>

#include <deque>

#include "platform/message_queue.h"
#include "platform/platform.h"

// The page's script (page.js) turns mouse, touch, tilt and keys into the two
// messages the game reads and posts them here; the WebGL context is made
// through Emscripten's browser library, which its GL emulation runs on.
extern "C" {
// wait.js: yield to the page until the clock reaches target or input comes.
void tt_wait(double programStart, double target);
void tt_wake();
}

namespace platform {

// The page has one canvas; the window is that canvas.
struct Window {
  int width = 0, height = 0;
};

struct GlContext {};

namespace {

const double gProgramStart = emscripten_get_now();
int32_t gLastClock = 0;
std::deque<Message> gInput;  // what the page posted
WindowProc gGameProc = nullptr;
const char* gLastError = "";
// The canvas is shown only once the browser has control again: a frame that
// took its whole 30 ms must still yield before the next one.
bool gDrewSinceYield = false;

// Marks the key-down of a tap in the queue; the game gets a plain Esc.
constexpr intptr_t kTapMark = 0x7A9;

// Between the queue and the game's procedure. A tap is an Esc that may not
// quit: on the board it starts a new round as Esc does, and during a round,
// where Esc would quit, it does nothing. An Esc that does not ask to quit has
// started a new round on a level table, where the page's count of tilt steps
// starts again.
intptr_t pageProc(Window* window, uint32_t code, uintptr_t wParam, intptr_t lParam) {
  if (!gGameProc) return 0;
  if (code != kMsgKeyDown || wParam != kKeyEscape) return gGameProc(window, code, wParam, lParam);
  const bool quitBefore = queue::quitPosted();
  const intptr_t result = gGameProc(window, code, wParam, 0);
  if (quitBefore) return result;
  if (!queue::quitPosted()) {
    EM_ASM({
      if (Module.onRestart) Module.onRestart();
    });
  } else if (lParam == kTapMark) {
    Message quit;
    queue::takeQuit(quit);
  }
  return result;
}

void post(const Message& message) {
  gInput.push_back(message);
  tt_wake();
}

}  // namespace

}  // namespace platform

// Called by the page; positions are client pixels of the 960 x 640 picture.
extern "C" EMSCRIPTEN_KEEPALIVE void tt_mouse_move(int x, int y) {
  using namespace platform;
  post(queue::message(kMsgMouseMove, 0, packPoint(x, y)));
}

extern "C" EMSCRIPTEN_KEEPALIVE void tt_escape(int tap) {
  using namespace platform;
  post(queue::message(kMsgKeyDown, kKeyEscape, tap ? kTapMark : 0));
}

namespace platform {

bool initVideo() { return true; }

// The game is over for this page: the page offers to play again.
void shutdownVideo() {
  gInput.clear();
  EM_ASM({
    if (Module.onGameEnd) Module.onGameEnd();
  });
}

const char* lastError() { return gLastError; }

Window* createWindow(const WindowOptions& options) {
  auto* window = new Window{options.clientWidth, options.clientHeight};
  gGameProc = options.proc;
  queue::attachWindow(window, pageProc);
  return window;
}

// A page has no minimised or hidden start: the canvas is simply there.
int startupShowCommand() { return kShowDefault; }

void showWindow(Window*, int) {}

void destroyWindow(Window* window) {
  queue::detachWindow(window);
  delete window;
}

// A page cannot move the pointer; the page counts its moves from here until
// the pointer's own position comes, so the first tilt goes the right way.
void setCursorPos(int x, int y) {
  EM_ASM(
      {
        if (Module.onCursorSet) Module.onCursorSet($0, $1);
      },
      x, y);
}

// The canvas's format is asked for with its context, in createGlContext.
void setPixelFormat(DeviceContext*) {}

GlContext* createGlContext(DeviceContext* dc) {
  if (!dc || !dc->window) return nullptr;
  // The canvas keeps its 960 x 640 drawing buffer; the page only scales it.
  const int made = EM_ASM_INT(
      {
        var canvas = Module.canvas;
        canvas.width = $0;
        canvas.height = $1;
        var attributes = {};
        attributes.alpha = false;
        attributes.depth = true;
        attributes.stencil = false;
        attributes.antialias = false;
        var gl = Module.createContext(canvas, true, true, attributes);
        if (!gl) return 0;
        // The emulation sets each new shader's colour attribute, also where
        // the shader has none (-1, its colour unused under GL_REPLACE), and
        // Firefox warns about that index.
        var setAttribute = gl.vertexAttrib4fv;
        gl.vertexAttrib4fv = function(index, value) {
          if (index >= 0) setAttribute.call(gl, index, value);
        };
        return 1;
      },
      dc->window->width, dc->window->height);
  if (made) return new GlContext;
  gLastError = "this browser gives the page no WebGL";
  EM_ASM({
    if (Module.showError)
      Module.showError('Tabletumble needs WebGL to draw the table, and this ' +
                       'browser has it turned off or does not have it.');
  });
  return nullptr;
}

bool makeCurrent(DeviceContext*, GlContext*) { return true; }

void deleteGlContext(GlContext* context) { delete context; }

// The browser shows the canvas by itself once the page has control again.
void swapBuffers(DeviceContext*) { gDrewSinceYield = true; }

void pollInput() {}

bool peekMessage(Message& out) {
  if (gDrewSinceYield) {
    gDrewSinceYield = false;
    tt_wait(gProgramStart, 0);
  }
  if (queue::takeSent(out)) return true;
  if (!gInput.empty()) {
    out = gInput.front();
    gInput.pop_front();
    return true;
  }
  return queue::takeQuit(out);
}

// Ends as the counter turns to the value it last returned plus timeoutMs, on
// the page clock, or when input comes; yields to the browser in either case.
void waitForMessage(int timeoutMs) {
  if (timeoutMs <= 0 || queue::pending() || !gInput.empty()) return;
  gDrewSinceYield = false;
  tt_wait(gProgramStart, static_cast<double>(gLastClock) + timeoutMs);
}

// performance.now(), counted from the program's start.
int32_t clockMs() {
  gLastClock = static_cast<int32_t>(emscripten_get_now() - gProgramStart);
  return gLastClock;
}

// The page shows the line where the player looks, over the canvas.
void showErrorBox(const char*, const char* text) {
  EM_ASM(
      {
        if (Module.showError) Module.showError(UTF8ToString($0));
      },
      text);
}

}  // namespace platform
