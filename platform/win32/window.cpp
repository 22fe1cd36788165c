// The desktop window system the platform interface is modelled on: each call
// here is the system call of the same name. A Window is the window handle
// itself, a DeviceContext the device-context handle and a GlContext the WGL
// context handle, so nothing is wrapped or looked up.
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <cstring>
#include <string>

#include "platform/input.h"
#include "platform/platform.h"
#include "platform/win32/pads.h"

namespace platform {
namespace {

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);
static_assert((WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX) == 0xCA0000);
static_assert((PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER) == 0x25);
static_assert(WM_DESTROY == kMsgDestroy && WM_CLOSE == kMsgClose && WM_QUIT == kMsgQuit &&
              WM_KEYDOWN == kMsgKeyDown && WM_SYSKEYDOWN == kMsgSysKeyDown &&
              WM_MOUSEMOVE == kMsgMouseMove && VK_ESCAPE == kKeyEscape && VK_F4 == kKeyF4 &&
              SW_SHOWDEFAULT == kShowDefault && VK_RETURN == kKeyReturn && VK_SPACE == kKeySpace &&
              VK_LEFT == kKeyLeft && VK_UP == kKeyUp && VK_RIGHT == kKeyRight &&
              VK_DOWN == kKeyDown);

constexpr const char* kClassName = "GLApp";
constexpr WORD kIconResource = 1;

WindowProc gProc = nullptr;
HWND gWindow = nullptr;  // where the input layer's messages go
// The input layer's own mouse moves travel under this code, so they are told
// from the system's, whose positions are shifted (input::pointerAt).
constexpr UINT kLayerMouseMove = WM_APP + 1;
MSG gTaken{};  // the message last taken from the queue, with its time and cursor position
std::string gError;
bool gPixelFormatFailed = false;  // the cause when no context can be made afterwards

// The performance counter: the fine wall clock the frame gate's milliseconds
// are counted on. The C runtime's clock() may advance only with the 15.6 ms
// timer tick.
int64_t counterNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}
int64_t counterFrequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}
const int64_t gFrequency = counterFrequency();
const int64_t gProgramStart = counterNow();
int32_t gLastClockMs = 0;  // what clockMs() last returned: waits are counted from there

// Timed waits end on the system's timer tick, 15.6 ms unless raised; the
// game asks for 1 ms while it runs.
constexpr UINT kTimerPeriodMs = 1;
bool gTimerPeriodRaised = false;

HWND hwnd(Window* window) { return reinterpret_cast<HWND>(window); }
Window* window(HWND handle) { return reinterpret_cast<Window*>(handle); }
HDC hdc(DeviceContext* dc) { return reinterpret_cast<HDC>(dc); }

// The window procedure the class is registered with: the game's procedure
// gets every message with its code and parameters unchanged.
LRESULT CALLBACK classProc(HWND handle, UINT code, WPARAM wParam, LPARAM lParam) {
  if (code == WM_KILLFOCUS) input::releaseKeys();  // their key-ups go to another window
  if (!gProc) return DefWindowProcA(handle, code, wParam, lParam);
  return gProc(window(handle), code, wParam, lParam);
}

void rememberError(const char* call) {
  gError = std::string(call) + " failed";
  // Some calls (ChoosePixelFormat) fail without saying why.
  const DWORD code = GetLastError();
  if (code == 0) return;
  char text[256] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                 sizeof text, nullptr);
  gError += std::string(": ") + text;
  while (!gError.empty() && (gError.back() == '\n' || gError.back() == '\r')) gError.pop_back();
}

// The system record of a message: the one taken last when it is that one, so
// translation sees its real time and cursor position.
MSG systemMessage(const Message& message) {
  if (hwnd(message.window) == gTaken.hwnd && message.code == gTaken.message &&
      message.wParam == gTaken.wParam && message.lParam == gTaken.lParam) {
    return gTaken;
  }
  MSG msg{};
  msg.hwnd = hwnd(message.window);
  msg.message = message.code;
  msg.wParam = message.wParam;
  msg.lParam = message.lParam;
  msg.time = static_cast<DWORD>(GetMessageTime());
  return msg;
}

void postFromLayer(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  if (gWindow)
    PostMessageA(gWindow, code == kMsgMouseMove ? kLayerMouseMove : code, wParam, lParam);
}

}  // namespace

// The desktop is always there; a failure shows when the window is made.
bool initVideo() {
  pads::load();
  if (!gTimerPeriodRaised) gTimerPeriodRaised = timeBeginPeriod(kTimerPeriodMs) == TIMERR_NOERROR;
  return true;
}

void shutdownVideo() {
  if (gTimerPeriodRaised) timeEndPeriod(kTimerPeriodMs);
  gTimerPeriodRaised = false;
}
const char* lastError() { return gError.c_str(); }

Window* createWindow(const WindowOptions& options) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  gProc = options.proc;
  WNDCLASSEXA windowClass;
  windowClass.cbSize = sizeof windowClass;  // 48 bytes on 32-bit Windows, 80 on 64-bit
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = classProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = kClassName;
  windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
  // A second window in one run (the tests make one each) reuses the class.
  if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    rememberError("RegisterClassExA");
    return nullptr;
  }
  // The frame metric is one pixel wider than the border of this fixed-size
  // frame, which the two pixels taken off each side make up for.
  const int width = options.clientWidth - 2 + 2 * GetSystemMetrics(SM_CYFRAME);
  const int height =
      options.clientHeight - 2 + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CXFRAME);
  const HWND handle =
      CreateWindowExA(0, kClassName, options.title, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                      options.x, options.y, width, height, nullptr, nullptr, instance, nullptr);
  if (!handle) rememberError("CreateWindowExA");
  gWindow = handle;
  input::reset();
  input::setSink(postFromLayer);
  return window(handle);
}

int startupShowCommand() {
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

void showWindow(Window* w, int showCommand) { ShowWindow(hwnd(w), showCommand); }

void destroyWindow(Window* w) {
  if (hwnd(w) == gWindow) gWindow = nullptr;
  if (w) DestroyWindow(hwnd(w));  // sends the destroy message itself
}

void setCursorPos(int screenX, int screenY) { SetCursorPos(screenX, screenY); }

DeviceContext* getDC(Window* w) { return reinterpret_cast<DeviceContext*>(GetDC(hwnd(w))); }

void releaseDC(Window* w, DeviceContext* dc) { ReleaseDC(hwnd(w), hdc(dc)); }

void setPixelFormat(DeviceContext* dc) {
  // Cleared whole first: every field not named here must be zero.
  PIXELFORMATDESCRIPTOR request;
  std::memset(&request, 0, sizeof request);
  request.nSize = sizeof request;
  request.nVersion = 1;
  request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  request.iPixelType = PFD_TYPE_RGBA;
  request.cColorBits = 32;
  request.cDepthBits = 16;
  const int chosen = ChoosePixelFormat(hdc(dc), &request);
  gPixelFormatFailed = chosen == 0 || !SetPixelFormat(hdc(dc), chosen, &request);
  if (gPixelFormatFailed) rememberError(chosen == 0 ? "ChoosePixelFormat" : "SetPixelFormat");
}

GlContext* createGlContext(DeviceContext* dc) {
  const HGLRC context = wglCreateContext(hdc(dc));
  // A pixel format that could not be set is the reason to name.
  if (!context && !gPixelFormatFailed) rememberError("wglCreateContext");
  return reinterpret_cast<GlContext*>(context);
}

bool makeCurrent(DeviceContext* dc, GlContext* context) {
  return wglMakeCurrent(hdc(dc), reinterpret_cast<HGLRC>(context)) != FALSE;
}

void deleteGlContext(GlContext* context) {
  if (context) wglDeleteContext(reinterpret_cast<HGLRC>(context));
}

void swapBuffers(DeviceContext* dc) { SwapBuffers(hdc(dc)); }

bool peekMessage(Message& out) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  gTaken = msg;
  out.window = window(msg.hwnd);
  out.code = msg.message;
  out.wParam = msg.wParam;
  out.lParam = msg.lParam;
  switch (msg.message) {
    case WM_MOUSEMOVE:
      out.lParam = input::pointerAt(static_cast<int16_t>(msg.lParam & 0xFFFF),
                                    static_cast<int16_t>((msg.lParam >> 16) & 0xFFFF));
      break;
    case kLayerMouseMove:
      out.code = WM_MOUSEMOVE;
      break;
    case WM_KEYDOWN:
      // Bit 30: the key was already down, an auto-repeat.
      if ((msg.lParam & (1 << 30)) == 0) input::keyChanged(msg.wParam, true);
      break;
    case WM_KEYUP:
      input::keyChanged(msg.wParam, false);
      break;
    default:
      break;
  }
  return true;
}

void translateMessage(const Message& message) {
  const MSG msg = systemMessage(message);
  TranslateMessage(&msg);
}

intptr_t dispatchMessage(const Message& message) {
  const MSG msg = systemMessage(message);
  return DispatchMessageA(&msg);
}

intptr_t defWindowProc(Window* w, uint32_t code, uintptr_t wParam, intptr_t lParam) {
  return DefWindowProcA(hwnd(w), code, wParam, lParam);
}

void postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

void pollInput() {
  pads::poll();
  input::frame();
}

// Even at a 1 ms timer period a wait may end a tick late, so it ends this
// long before the moment and the rest is watched on the counter.
constexpr int64_t kWakeEarlyUs = 1500;

void waitForMessage(int timeoutMs) {
  if (timeoutMs <= 0) return;
  // The counter value at which clockMs() turns to its last reading plus
  // timeoutMs: waking a fraction of a millisecond late would start a frame
  // at 31 ms.
  const int64_t target = static_cast<int64_t>(gLastClockMs) + timeoutMs;
  const int64_t until = gProgramStart + (target * gFrequency + 999) / 1000;
  const int64_t leftUs = (until - counterNow()) * 1000000 / gFrequency - kWakeEarlyUs;
  if (leftUs >= 1000) {
    const DWORD waitMs = static_cast<DWORD>(leftUs / 1000);
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT) == WAIT_OBJECT_0) return;
  }
  while (counterNow() < until) continue;
}

// Wall-clock milliseconds from the program's start, to the millisecond.
int32_t clockMs() {
  gLastClockMs = static_cast<int32_t>((counterNow() - gProgramStart) * 1000 / gFrequency);
  return gLastClockMs;
}

void showErrorBox(const char* title, const char* text) {
  MessageBoxA(nullptr, text, title, MB_OK | MB_ICONERROR);
}

}  // namespace platform
