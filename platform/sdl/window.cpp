#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "platform/input.h"
#include "platform/message_queue.h"
#include "platform/platform.h"
#include "platform/sdl/pads.h"

namespace platform {

struct Window {
  SDL_Window* sdl = nullptr;
};

struct GlContext {
  SDL_GLContext sdl = nullptr;
};

namespace {

using Clock = std::chrono::steady_clock;
const auto gProgramStart = Clock::now();
int32_t gLastClockMs = 0;  // what clockMs() last returned: waits are counted from there
// On X11: the connection the window lives on, for waiting on it, and the
// window's own id, to notice another client destroying it.
Display* gXDisplay = nullptr;
::Window gXWindow = 0;
int gGlxFirstError = -1;
XErrorHandler gDefaultXErrorHandler = nullptr;

// X reports errors after the fact: a request about a window that is already
// gone (the game's own after teardown, or one another client destroyed, as a
// force-close does) fails while nothing is wrong any more. Xlib's default
// handler would end the game with status 1 for it; only such errors are let
// pass, every other one still goes to the default handler.
int onXError(Display* display, XErrorEvent* error) {
  // GLX's own codes for a gone drawable: GLXBadDrawable, GLXBadCurrentWindow,
  // GLXBadCurrentDrawable and GLXBadWindow, counted from the extension's first error.
  constexpr int kGlxGoneErrors[] = {2, 5, 11, 12};
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
  for (int offset : kGlxGoneErrors) {
    if (gGlxFirstError >= 0 && error->error_code == gGlxFirstError + offset) return 0;
  }
  return gDefaultXErrorHandler ? gDefaultXErrorHandler(display, error) : 0;
}

// The X server went away (it was stopped, or the session ended): the window
// and the context are gone with it, so there is nothing left to tear down.
// Xlib would end the program with status 1 once this returns; ending it here
// makes it 0, as every other way of ending the game. Nothing may call X again,
// so no static destructor runs (their GL calls would come back here).
[[noreturn]] int onXConnectionLost(Display*) {
  std::fputs("Tabletumble: the display went away, quitting\n", stderr);
  std::fflush(nullptr);
  _exit(0);
}

// A 48 x 48 earth ball on a linen square, drawn here so the window has an
// icon even before any data file exists.
SDL_Surface* makeIcon() {
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, 48, 48, 24, SDL_PIXELFORMAT_RGB24);
  if (!icon) return nullptr;
  auto* pixels = static_cast<Uint8*>(icon->pixels);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      Uint8* p = pixels + y * icon->pitch + x * 3;
      const bool check = ((x / 6) + (y / 6)) % 2 == 0;
      Uint8 r = check ? 200 : 235, g = check ? 40 : 225, b = check ? 40 : 210;
      const float dx = x - 23.5f, dy = y - 23.5f;
      const float d2 = dx * dx + dy * dy;
      if (d2 < 18.0f * 18.0f) {
        const bool land = ((x * 7 + y * 3) % 23 < 9) && ((x + 2 * y) % 17 < 11);
        const float shade = 1.0f - 0.5f * (d2 / (18.0f * 18.0f)) + (dx + dy < -14 ? 0.2f : 0.0f);
        r = static_cast<Uint8>((land ? 60 : 30) * shade);
        g = static_cast<Uint8>((land ? 150 : 90) * shade);
        b = static_cast<Uint8>((land ? 60 : 200) * shade);
      }
      p[0] = r;
      p[1] = g;
      p[2] = b;
    }
  }
  return icon;
}

static_assert(SDLK_ESCAPE == 0x1B && SDLK_a == 'a' && SDLK_F4 == (61 | SDLK_SCANCODE_MASK),
              "the shared key mapping reads SDL's key codes");

bool insideClientArea(int x, int y) {
  if (!queue::window()) return false;
  int w = 0, h = 0;
  SDL_GetWindowSize(queue::window()->sdl, &w, &h);
  return x >= 0 && y >= 0 && x < w && y < h;
}

// Only moves over the client area count. SDL reports the point where the
// pointer left the window as a move, and without mouse capture it moves a
// point outside onto the window's edge, so on X11 the server's own event,
// which SDL hands over just before its move, tells where the pointer is.
bool gPointerOutside = false;

void notePointer(const XEvent& event) {
  if (event.xany.window != gXWindow) return;
  if (event.type == LeaveNotify) gPointerOutside = true;
  if (event.type == EnterNotify) gPointerOutside = false;
  if (event.type == MotionNotify)
    gPointerOutside = !insideClientArea(event.xmotion.x, event.xmotion.y);
}

// Turns one SDL event into the game's message; false for events the game never sees.
bool translate(const SDL_Event& event, Message& out) {
  if (pads::handle(event)) return false;
  switch (event.type) {
    case SDL_SYSWMEVENT: {
      // Another client destroyed the window (a force-close): the game ends as
      // if asked to close.
      const SDL_SysWMmsg* msg = event.syswm.msg;
      if (!msg || msg->subsystem != SDL_SYSWM_X11 || gXWindow == 0) return false;
      const XEvent& x = msg->msg.x11.event;
      if (x.type == DestroyNotify && x.xdestroywindow.window == gXWindow) {
        out = queue::message(kMsgClose, 0, 0);
        return true;
      }
      notePointer(x);
      return false;
    }
    case SDL_QUIT:  // the session asks the program to end (a signal, logout)
      out = queue::message(kMsgClose, 0, 0);
      return true;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
        out = queue::message(kMsgClose, 0, 0);
        return true;
      }
      return false;
    case SDL_MOUSEMOTION:
      if (gPointerOutside || !insideClientArea(event.motion.x, event.motion.y)) return false;
      out = queue::message(kMsgMouseMove, 0, input::pointerAt(event.motion.x, event.motion.y));
      return true;
    case SDL_KEYDOWN: {
      // Auto-repeats arrive as further key-downs, as the game expects.
      const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
      const uintptr_t key = queue::virtualKey(event.key.keysym.sym, SDLK_SCANCODE_MASK);
      if (!event.key.repeat) input::keyChanged(key, true);
      out = queue::message(alt ? kMsgSysKeyDown : kMsgKeyDown, key,
                           event.key.repeat ? 0x40000000 : 0);
      return true;
    }
    case SDL_KEYUP:
      input::keyChanged(queue::virtualKey(event.key.keysym.sym, SDLK_SCANCODE_MASK), false);
      return false;
    default:
      return false;
  }
}

}  // namespace

bool initVideo() {
  // A button held over the window must not keep tilting the table outside it.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
  // Without a display SDL falls back to its invisible offscreen driver; a
  // player would get a game nobody can see, so only an explicit request
  // (the tests' SDL_VIDEODRIVER) may use it.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  const bool invisible =
      driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
  if (invisible && !(asked && SDL_strcasecmp(asked, driver) == 0)) {
    SDL_Quit();
    SDL_SetError("no display (neither DISPLAY nor WAYLAND_DISPLAY leads to one)");
    return false;
  }
  if (driver && SDL_strcmp(driver, "x11") == 0) {
    // The handler is the process's, so it also covers SDL's second connection.
    XErrorHandler previous = XSetErrorHandler(onXError);
    if (previous != onXError) gDefaultXErrorHandler = previous;
    XSetIOErrorHandler(onXConnectionLost);
    // For the window's X events (DestroyNotify).
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  }
  pads::open();
  return true;
}

void shutdownVideo() {
  pads::close();
  SDL_Quit();
}

const char* lastError() { return SDL_GetError(); }

Window* createWindow(const WindowOptions& options) {
  // The GL surface: double-buffered, R, G and B of 8 bits with no alpha, a
  // 16-bit depth buffer and nothing else, for a compatibility-profile context.
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // Fixed-function OpenGL 1.1 and GLU need the legacy profile.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);

  SDL_Window* sdl = SDL_CreateWindow(options.title, options.x, options.y, options.clientWidth,
                                     options.clientHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!sdl) return nullptr;
  if (SDL_Surface* icon = makeIcon()) {
    SDL_SetWindowIcon(sdl, icon);
    SDL_FreeSurface(icon);
  }
  SDL_SetCursor(SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW));
  auto* window = new Window{sdl};
  queue::attachWindow(window, options.proc);
  input::reset();
  input::setSink(queue::post);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(sdl, &info) && info.subsystem == SDL_SYSWM_X11) {
    gXDisplay = info.info.x11.display;
    gXWindow = info.info.x11.window;
    int opcode = 0, firstEvent = 0;
    if (!XQueryExtension(gXDisplay, "GLX", &opcode, &firstEvent, &gGlxFirstError))
      gGlxFirstError = -1;
  }
  return window;
}

// Nothing here starts a program minimised or hidden, so it opens as usual.
int startupShowCommand() { return kShowDefault; }

void showWindow(Window* window, int) {
  if (window) SDL_ShowWindow(window->sdl);
}

void destroyWindow(Window* window) {
  if (!window) return;
  queue::detachWindow(window);
  SDL_DestroyWindow(window->sdl);
  // When another client destroyed the window first, SDL's XDestroyWindow
  // fails, and the error comes back whenever the server gets to it. SDL_Quit
  // puts Xlib's default handler back before closing the connection, which
  // waits for every answer: an error still on its way by then ends the
  // program with status 1. So every answer is waited for here, while
  // onXError still is the handler.
  if (gXDisplay) XSync(gXDisplay, False);
  gXDisplay = nullptr;
  gXWindow = 0;
  delete window;
}

void setCursorPos(int screenX, int screenY) { SDL_WarpMouseGlobal(screenX, screenY); }

// SDL fixes the pixel format when it makes the window (see createWindow).
void setPixelFormat(DeviceContext*) {}

GlContext* createGlContext(DeviceContext* dc) {
  if (!dc || !dc->window) return nullptr;
  SDL_GLContext sdl = SDL_GL_CreateContext(dc->window->sdl);
  if (!sdl) return nullptr;
  // The frame gate paces the game, not the display: some compositors hold a
  // hidden window's swaps to about one a second under vsync.
  SDL_GL_SetSwapInterval(0);
  return new GlContext{sdl};
}

bool makeCurrent(DeviceContext* dc, GlContext* context) {
  if (!dc || !context) return SDL_GL_MakeCurrent(nullptr, nullptr) == 0;
  return SDL_GL_MakeCurrent(dc->window->sdl, context->sdl) == 0;
}

void deleteGlContext(GlContext* context) {
  if (!context) return;
  SDL_GL_DeleteContext(context->sdl);
  delete context;
}

void swapBuffers(DeviceContext* dc) {
  if (dc && dc->window) SDL_GL_SwapWindow(dc->window->sdl);
}

bool peekMessage(Message& out) {
  if (queue::takeSent(out)) return true;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (translate(event, out)) return true;
    // A pad's button posts its key-down as it comes, before later events.
    if (queue::takeSent(out)) return true;
  }
  return queue::takeQuit(out);
}

void pollInput() {
  pads::poll();
  input::frame();
}

// Timed wake-ups on a busy or virtual machine come up to a millisecond or
// more late, so the wait ends this long before the moment and the rest is
// watched on the clock.
constexpr auto kWakeEarly = std::chrono::microseconds(1500);

void waitForMessage(int timeoutMs) {
  using std::chrono::milliseconds;
  if (timeoutMs <= 0 || queue::pending()) return;
  // The moment the counter reaches its last reading plus timeoutMs, to the
  // steady clock's own resolution: waking a fraction of a millisecond late
  // would start every ninth frame or so at 31 ms.
  const Clock::time_point until = gProgramStart + milliseconds(gLastClockMs + timeoutMs);
  SDL_PumpEvents();
  if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
  const auto left =
      std::chrono::duration_cast<std::chrono::nanoseconds>(until - kWakeEarly - Clock::now());
  if (left.count() > 0) {
    if (gXDisplay) {
      // The pump left Xlib's queue empty and its requests sent; anything new
      // arrives on the connection. Waiting here rather than in
      // SDL_WaitEventTimeout also keeps SDL from waking itself with an event
      // sent to the window over its second connection, which can reach the
      // server after the window is destroyed.
      pollfd connection{ConnectionNumber(gXDisplay), POLLIN, 0};
      const timespec span{static_cast<time_t>(left.count() / 1000000000),
                          static_cast<long>(left.count() % 1000000000)};
      if (ppoll(&connection, 1, &span, nullptr) > 0) return;
    } else {
      const int wholeMs = static_cast<int>(left.count() / 1000000);
      if (wholeMs > 0 && SDL_WaitEventTimeout(nullptr, wholeMs)) return;
    }
  }
  while (Clock::now() < until) continue;
}

int32_t clockMs() {
  const auto since = Clock::now() - gProgramStart;
  gLastClockMs =
      static_cast<int32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  return gLastClockMs;
}

namespace {

void quitAtOnce(int) { _exit(0); }

// SDL shows the box from a child process of its own (Xlib may be in any state
// in the parent). That child must not outlive the game: it is killed when the
// game ends, whichever way.
volatile sig_atomic_t gBoxUp = 0;
pid_t gBoxParent = 0;
void onFork() {
  if (!gBoxUp) return;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != gBoxParent) _exit(0);  // the game ended before the line above
}

// While the box is up, SDL's own loop for it runs, and it never looks at the
// quit event that SDL's handlers of SIGTERM and SIGINT post: the box would
// stay until clicked. Both end the program there and then, with the status
// they give during play. The line is on stderr already, and nothing else is
// left to take down. A signal the program was started ignoring stays ignored.
class StopsDuringBox {
 public:
  StopsDuringBox() {
    static const bool registered = pthread_atfork(nullptr, nullptr, onFork) == 0;
    (void)registered;
    gBoxParent = getpid();
    gBoxUp = 1;
    struct sigaction quit = {};
    quit.sa_handler = quitAtOnce;
    sigemptyset(&quit.sa_mask);
    for (int i = 0; i < 2; ++i) {
      sigaction(kSignals[i], nullptr, &old_[i]);
      if (old_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &quit, nullptr);
    }
    // One that came just before is waiting as SDL's quit event.
    SDL_PumpEvents();
    if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0) _exit(0);
  }
  ~StopsDuringBox() {
    gBoxUp = 0;
    for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &old_[i], nullptr);
  }
  StopsDuringBox(const StopsDuringBox&) = delete;
  StopsDuringBox& operator=(const StopsDuringBox&) = delete;

 private:
  static constexpr int kSignals[2] = {SIGTERM, SIGINT};
  struct sigaction old_[2];
};

}  // namespace

void showErrorBox(const char* title, const char* text) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0)) return;
  const StopsDuringBox stops;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr);
}

}  // namespace platform
