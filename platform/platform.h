// The only door to the operating system: window, GL context, message queue,
// clock, message box. Everything above this folder is free of SDL.
#pragma once

#include <cstdint>

namespace platform {

struct Window;         // one top-level window with an OpenGL surface
struct DeviceContext;  // what a frame swaps buffers through
struct GlContext;      // an OpenGL rendering context

// Message codes keep the numbers of the desktop window system the game's
// input rules were written against, so the rules read the same here.
enum MessageCode : uint32_t {
  kMsgDestroy = 0x0002,
  kMsgClose = 0x0010,
  kMsgQuit = 0x0012,
  kMsgKeyDown = 0x0100,
  kMsgSysKeyDown = 0x0104,  // a key pressed with Alt held
  kMsgMouseMove = 0x0200,
};

enum KeyCode : uintptr_t {
  kKeyReturn = 0x0D,  // with Space, "confirm": plays again on the board
  kKeyEscape = 0x1B,
  kKeySpace = 0x20,
  kKeyF4 = 0x73,
};
// The arrows, which the input layer reads as held directions, as W, A, S, D.
enum ArrowKey : uintptr_t { kKeyLeft = 0x25, kKeyUp = 0x26, kKeyRight = 0x27, kKeyDown = 0x28 };

struct Message {
  Window* window = nullptr;
  uint32_t code = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// The mouse position travels as client x in the low 16 bits and y in the
// high 16 bits, each a signed 16-bit value.
constexpr intptr_t packPoint(int x, int y) {
  return static_cast<intptr_t>((static_cast<uint32_t>(y & 0xFFFF) << 16) |
                               static_cast<uint32_t>(x & 0xFFFF));
}

using WindowProc = intptr_t (*)(Window*, uint32_t code, uintptr_t wParam, intptr_t lParam);

struct WindowOptions {
  const char* title;
  int x, y;                       // screen position
  int clientWidth, clientHeight;  // fixed; the window cannot be resized
  WindowProc proc;
};

// Starts the video system. False when no display can be reached; the reason
// is then in lastError().
bool initVideo();
void shutdownVideo();
const char* lastError();

// Creates the window hidden, with a black background, the arrow cursor and
// the game's icon.
Window* createWindow(const WindowOptions& options);
// How the player asked the program to start (normal, minimised, ...), in the
// desktop window system's show-command numbers; kShowDefault when nobody said.
constexpr int kShowDefault = 10;
int startupShowCommand();
void showWindow(Window* window, int showCommand);
// Sends kMsgDestroy to the window's procedure, then destroys it.
void destroyWindow(Window* window);
void setCursorPos(int screenX, int screenY);

DeviceContext* getDC(Window* window);
void releaseDC(Window* window, DeviceContext* dc);
// Gives the surface its pixel format before a context is made for it:
// double-buffered, 32 colour bits that are R, G and B of 8 bits each (no
// alpha), a 16-bit depth buffer, and nothing else.
void setPixelFormat(DeviceContext* dc);
GlContext* createGlContext(DeviceContext* dc);
// Passing nulls leaves no context current.
bool makeCurrent(DeviceContext* dc, GlContext* context);
void deleteGlContext(GlContext* context);
void swapBuffers(DeviceContext* dc);

// Takes the next message of the thread's queue, if any. A posted quit is
// handed out only once no other message is waiting.
bool peekMessage(Message& out);
void translateMessage(const Message& message);
intptr_t dispatchMessage(const Message& message);
intptr_t defWindowProc(Window* window, uint32_t code, uintptr_t wParam, intptr_t lParam);
void postQuitMessage(int exitCode);
// Blocks until a message arrives or timeoutMs have passed, counted from the
// moment clockMs() reached the value it last returned: after reading `now`,
// a wait of (start + 30 - now) ends as the counter turns to start + 30.
void waitForMessage(int timeoutMs);

// Reads the held devices (pads, the keyboard's held keys, sensors) and lets
// the input layer post this frame's messages; the main loop calls it once as
// each frame falls due and drains what it posted before the frame runs.
void pollInput();

// Wall-clock milliseconds since the program started (never processor time).
int32_t clockMs();

// Shows a modal error box when a display is available; does nothing otherwise.
void showErrorBox(const char* title, const char* text);

}  // namespace platform
