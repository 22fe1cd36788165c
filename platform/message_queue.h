// The message queue of the backends whose system has none in the game's
// shape (SDL on the desktop, the browser): the one window's procedure, the
// messages the platform sends itself, the posted quit, and SDL's keys as the
// window procedure knows them. Those backends define getDC, releaseDC,
// translateMessage, dispatchMessage, defWindowProc and postQuitMessage
// through this file; they turn their own events into messages with message().
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace platform {

// On these backends the device context is the window's GL surface.
struct DeviceContext {
  Window* window = nullptr;
};

namespace queue {

// The window messages are addressed to from now on, and its procedure.
void attachWindow(Window* window, WindowProc proc);
// Sends kMsgDestroy to the window's procedure; after this no message goes to it.
void detachWindow(Window* window);
Window* window();

// A message to the attached window.
Message message(uint32_t code, uintptr_t wParam, intptr_t lParam);

// Posts a message to the window ahead of the system's events not yet taken
// (the input layer's sink).
void post(uint32_t code, uintptr_t wParam, intptr_t lParam);
// A message the platform sent itself, which goes before the system's events.
bool takeSent(Message& out);
// The posted quit, handed out once and only when nothing else waits.
bool takeQuit(Message& out);
// Whether a sent message or a quit waits, so a wait would only delay it.
bool pending();
// Whether a quit is posted and not yet handed out.
bool quitPosted();

// SDL's key code (printable keys are their character, other keys their
// scancode with `scancodeFlag` set, a flag whose value differs between SDL
// versions) as the window procedure's key code.
uintptr_t virtualKey(int32_t sdlKey, int32_t scancodeFlag);

}  // namespace queue
}  // namespace platform
