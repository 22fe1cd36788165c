#include "platform/message_queue.h"

#include <deque>

namespace platform {
namespace {

Window* gWindow = nullptr;  // the game has exactly one window
WindowProc gProc = nullptr;
DeviceContext gDeviceContext;
bool gQuitPosted = false;
int gQuitCode = 0;
std::deque<Message> gSent;

// Key codes SDL gives printable keys: their character, letters in lower case.
constexpr int32_t kSdlKeyEscape = 0x1B;
constexpr int32_t kSdlKeyA = 'a';
constexpr int32_t kSdlKeyZ = 'z';
// SDL's scancodes are the keyboard's USB usage numbers.
constexpr int32_t kScancodeF4 = 61;
constexpr int32_t kScancodeRight = 79;  // then left, down and up
constexpr uintptr_t kArrowKeys[] = {kKeyRight, kKeyLeft, kKeyDown, kKeyUp};

}  // namespace

namespace queue {

void attachWindow(Window* window, WindowProc proc) {
  gWindow = window;
  gProc = proc;
}

void detachWindow(Window* window) {
  if (!window || window != gWindow) return;
  if (gProc) gProc(window, kMsgDestroy, 0, 0);
  gWindow = nullptr;
  gProc = nullptr;
}

Window* window() { return gWindow; }

Message message(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  return Message{gWindow, code, wParam, lParam};
}

void post(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  gSent.push_back(message(code, wParam, lParam));
}

bool takeSent(Message& out) {
  if (gSent.empty()) return false;
  out = gSent.front();
  gSent.pop_front();
  return true;
}

bool takeQuit(Message& out) {
  if (!gQuitPosted) return false;
  gQuitPosted = false;
  out = message(kMsgQuit, static_cast<uintptr_t>(gQuitCode), 0);
  return true;
}

bool pending() { return gQuitPosted || !gSent.empty(); }

bool quitPosted() { return gQuitPosted; }

uintptr_t virtualKey(int32_t sdlKey, int32_t scancodeFlag) {
  if (sdlKey == kSdlKeyEscape) return kKeyEscape;
  if (sdlKey == (kScancodeF4 | scancodeFlag)) return kKeyF4;
  for (int i = 0; i < 4; ++i) {
    if (sdlKey == ((kScancodeRight + i) | scancodeFlag)) return kArrowKeys[i];
  }
  if (sdlKey >= kSdlKeyA && sdlKey <= kSdlKeyZ)
    return static_cast<uintptr_t>('A' + sdlKey - kSdlKeyA);
  if (sdlKey >= 0 && sdlKey < 128) return static_cast<uintptr_t>(sdlKey);
  // Beyond every key code the procedure knows.
  return static_cast<uintptr_t>(sdlKey & 0xFFFF) | 0x10000;
}

}  // namespace queue

DeviceContext* getDC(Window* window) {
  gDeviceContext.window = window;
  return window ? &gDeviceContext : nullptr;
}

void releaseDC(Window*, DeviceContext* dc) {
  if (dc) dc->window = nullptr;
}

void translateMessage(const Message&) {}

intptr_t dispatchMessage(const Message& message) {
  Window* window = message.window ? message.window : gWindow;
  if (!window || window != gWindow || !gProc) return 0;
  return gProc(window, message.code, message.wParam, message.lParam);
}

intptr_t defWindowProc(Window* window, uint32_t code, uintptr_t wParam, intptr_t) {
  // The system menu's shortcut: Alt+F4 asks the window to close.
  if (code == kMsgSysKeyDown && wParam == kKeyF4) gSent.push_back(Message{window, kMsgClose, 0, 0});
  return 0;
}

void postQuitMessage(int exitCode) {
  gQuitPosted = true;
  gQuitCode = exitCode;
}

}  // namespace platform
