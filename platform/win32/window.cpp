// The desktop window system the platform interface is modelled on: each call
// here is the system call of the same name. A Window is the window handle
// itself, a DeviceContext the device-context handle and a GlContext the WGL
// context handle, so nothing is wrapped or looked up.
#include <windows.h>

#include <cstring>
#include <ctime>
#include <string>

#include "platform/platform.h"

namespace platform {
namespace {

static_assert(CLOCKS_PER_SEC == 1000, "the frame gate counts clock() ticks as milliseconds");
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);
static_assert((WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX) == 0xCA0000);
static_assert((PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER) == 0x25);
static_assert(WM_DESTROY == kMsgDestroy && WM_CLOSE == kMsgClose && WM_QUIT == kMsgQuit &&
              WM_KEYDOWN == kMsgKeyDown && WM_SYSKEYDOWN == kMsgSysKeyDown &&
              WM_MOUSEMOVE == kMsgMouseMove && VK_ESCAPE == kKeyEscape && VK_F4 == kKeyF4 &&
              SW_SHOWDEFAULT == kShowDefault);

constexpr const char* kClassName = "GLApp";
constexpr WORD kIconResource = 1;

WindowProc gProc = nullptr;
MSG gTaken{};  // the message last taken from the queue, with its time and cursor position
std::string gError;

HWND hwnd(Window* window) { return reinterpret_cast<HWND>(window); }
Window* window(HWND handle) { return reinterpret_cast<Window*>(handle); }
HDC hdc(DeviceContext* dc) { return reinterpret_cast<HDC>(dc); }

// The window procedure the class is registered with: the game's procedure
// gets every message with its code and parameters unchanged.
LRESULT CALLBACK classProc(HWND handle, UINT code, WPARAM wParam, LPARAM lParam) {
  if (!gProc) return DefWindowProcA(handle, code, wParam, lParam);
  return gProc(window(handle), code, wParam, lParam);
}

void rememberError(const char* call) {
  char text[256] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 GetLastError(), 0, text, sizeof text, nullptr);
  gError = std::string(call) + " failed: " + text;
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

}  // namespace

// The desktop is always there; a failure shows when the window is made.
bool initVideo() { return true; }
void shutdownVideo() {}
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
  SetPixelFormat(hdc(dc), chosen, &request);
}

GlContext* createGlContext(DeviceContext* dc) {
  const HGLRC context = wglCreateContext(hdc(dc));
  if (!context) rememberError("wglCreateContext");
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

void waitForMessage(int timeoutMs) {
  if (timeoutMs > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs), QS_ALLINPUT);
  }
}

// The runtime's clock counts wall-clock milliseconds from the start here.
int32_t clockMs() { return static_cast<int32_t>(std::clock()); }

void showErrorBox(const char* title, const char* text) {
  MessageBoxA(nullptr, text, title, MB_OK | MB_ICONERROR);
}

}  // namespace platform
