#include "shell/main_loop.h"

namespace shell {
namespace {
constexpr double kFrameSeconds = 0.03;
constexpr double kTicksPerSecond = 1000.0;  // the clock counts milliseconds
}  // namespace

int runMainLoop(LoopHost& host, FrameClock& fc, std::optional<int32_t> firstSample) {
  fc.elapsed = 0.0;
  fc.clockStart = firstSample ? *firstSample : host.clock();
  platform::Message message;
  bool polled = false;  // whether the frame that is due has read the held input
  for (;;) {
    // Pending messages always go first, so a burst of input is applied before
    // the next frame; a quit ends the loop before a frame that is due.
    if (host.peekMessage(message)) {
      if (message.code == platform::kMsgQuit) {
        host.teardown();
        return static_cast<int>(message.wParam);
      }
      host.dispatchMessage(message);
      continue;
    }
    if (fc.elapsed >= kFrameSeconds) {
      if (!polled) {
        polled = true;
        host.pollInput();
        continue;  // what it posted goes first, and a quit still ends the loop here
      }
      polled = false;
      fc.elapsed = 0.0;
      // Sampled before the frame's work, so its duration counts toward the next 30 ms.
      fc.clockStart = host.clock();
      host.runFrame();
      continue;
    }
    fc.clockNow = host.clock();
    // 32-bit difference (wrapping like the counter), then double; no float step.
    const int32_t ticks = static_cast<int32_t>(static_cast<uint32_t>(fc.clockNow) -
                                               static_cast<uint32_t>(fc.clockStart));
    fc.elapsed = static_cast<double>(ticks) / kTicksPerSecond;
    // Rather than spin a core, sleep until a message comes or the gate opens;
    // the gate is still tested only after the queue has been looked at again.
    if (fc.elapsed < kFrameSeconds) host.waitForMessage(30 - ticks);
  }
}

}  // namespace shell
