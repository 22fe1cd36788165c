#include <emscripten.h>

#include <deque>

#include "platform/input.h"
#include "platform/message_queue.h"
#include "platform/platform.h"

// The page's scripts (input.js) read the pointer, keys, pads and the phone's
// tilt and hand the raw values to the functions below, which give them to
// the input layer like every other backend; the WebGL context is made
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
const char* gLastError = "";
// The canvas is shown only once the browser has control again: a frame that
// took its whole 30 ms must still yield before the next one.
bool gDrewSinceYield = false;

void post(const Message& message) {
  gInput.push_back(message);
  tt_wake();
}

// The layer's own messages go ahead of the page's, and end a wait at once.
void postFromLayer(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  queue::post(code, wParam, lParam);
  tt_wake();
}

}  // namespace

}  // namespace platform

// Called by the page. Positions are client pixels of the 960 x 640 picture.
extern "C" {

EMSCRIPTEN_KEEPALIVE void tt_pointer(int x, int y) {
  using namespace platform;
  post(queue::message(kMsgMouseMove, 0, input::pointerAt(x, y)));
}

// Keys by their virtual-key code; a held key's repeats come as further downs.
EMSCRIPTEN_KEEPALIVE void tt_key(int key, int down, int repeat) {
  using namespace platform;
  if (!repeat) input::keyChanged(static_cast<uintptr_t>(key), down != 0);
  if (down) post(queue::message(kMsgKeyDown, static_cast<uintptr_t>(key), repeat ? 0x40000000 : 0));
}

// A pad as the Gamepad API's standard mapping gives it, read once a frame.
EMSCRIPTEN_KEEPALIVE void tt_pad(int pad, float stickX, float stickY, int padX, int padY) {
  platform::input::holdPad(pad, stickX, stickY, padX, padY);
}
EMSCRIPTEN_KEEPALIVE void tt_pad_gone(int pad) { platform::input::padGone(pad); }

// The phone's turn from the pose it had when play started, in degrees.
EMSCRIPTEN_KEEPALIVE void tt_tilt(float rightDown, float toward) {
  platform::input::holdSensor(platform::input::Source::kSensor, rightDown, toward);
}

// A tap, a pad's A or Start.
EMSCRIPTEN_KEEPALIVE void tt_confirm() { platform::input::confirm(); }
// A pad's Back.
EMSCRIPTEN_KEEPALIVE void tt_back() { platform::input::back(); }

}  // extern "C"

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
  queue::attachWindow(window, options.proc);
  input::reset();
  input::setSink(postFromLayer);
  return window;
}

// A page has no minimised or hidden start: the canvas is simply there.
int startupShowCommand() { return kShowDefault; }

void showWindow(Window*, int) {}

void destroyWindow(Window* window) {
  queue::detachWindow(window);
  delete window;
}

// A page cannot move the pointer.
void setCursorPos(int, int) {}

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

// The page reads its pads (the Gamepad API has no events for a stick), then
// the layer posts this frame's steps.
void pollInput() {
  EM_ASM({
    if (Module.onPoll) Module.onPoll();
  });
  input::frame();
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
