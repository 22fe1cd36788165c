#include "platform/win32/pads.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <xinput.h>

#include "platform/xinput_pads.h"

namespace platform::pads {
namespace {

static_assert(XINPUT_GAMEPAD_DPAD_UP == xinput::kDpadUp &&
              XINPUT_GAMEPAD_DPAD_DOWN == xinput::kDpadDown &&
              XINPUT_GAMEPAD_DPAD_LEFT == xinput::kDpadLeft &&
              XINPUT_GAMEPAD_DPAD_RIGHT == xinput::kDpadRight &&
              XINPUT_GAMEPAD_START == xinput::kStart && XINPUT_GAMEPAD_BACK == xinput::kBack &&
              XINPUT_GAMEPAD_A == xinput::kA && XINPUT_GAMEPAD_Y == xinput::kY &&
              XUSER_MAX_COUNT == xinput::kSlots);

using GetState = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
GetState gGetState = nullptr;

// Asking an empty slot takes a while on some systems, so empty slots are
// asked only every this many frames (about two seconds) for a pad plugged in.
constexpr unsigned kEmptySlotEvery = 60;
unsigned gFrame = 0;
bool gConnected[xinput::kSlots] = {};

}  // namespace

void load() {
  // Windows 8 and later have 1.4; 9.1.0 comes with Vista and 7.
  static constexpr const char* kNames[] = {"xinput1_4.dll", "xinput9_1_0.dll"};
  for (const char* name : kNames) {
    const HMODULE module = LoadLibraryA(name);
    if (!module) continue;
    if (FARPROC proc = GetProcAddress(module, "XInputGetState")) {
      gGetState = reinterpret_cast<GetState>(reinterpret_cast<void*>(proc));
      return;
    }
    FreeLibrary(module);
  }
}

void poll() {
  if (!gGetState) return;
  xinput::StateRecord records[xinput::kSlots];
  const xinput::StateRecord* states[xinput::kSlots] = {};
  const bool askEmpty = gFrame++ % kEmptySlotEvery == 0;
  for (DWORD i = 0; i < xinput::kSlots; ++i) {
    if (!gConnected[i] && !askEmpty) continue;
    XINPUT_STATE state;
    gConnected[i] = gGetState(i, &state) == ERROR_SUCCESS;
    if (!gConnected[i]) continue;
    const XINPUT_GAMEPAD& g = state.Gamepad;
    records[i].dwPacketNumber = state.dwPacketNumber;
    records[i].Gamepad = {g.wButtons, g.bLeftTrigger, g.bRightTrigger, g.sThumbLX,
                          g.sThumbLY, g.sThumbRX,     g.sThumbRY};
    states[i] = &records[i];
  }
  xinput::update(states);
}

}  // namespace platform::pads
