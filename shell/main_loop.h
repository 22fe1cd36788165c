// The message loop with its fixed frame clock: all game time is counted in
// frames, one at most every 30 ms, and missed frames are never caught up.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.h"

namespace shell {

struct FrameClock {
  int32_t clockStart = 0;  // ms, when the last frame began
  int32_t clockNow = 0;    // ms, the latest sample while waiting
  double elapsed = 0.0;    // seconds from clockStart to clockNow
};

// What the loop drives; the game's implementation uses the platform, tests
// inject their own clock and messages.
class LoopHost {
 public:
  virtual ~LoopHost() = default;
  virtual bool peekMessage(platform::Message& out) = 0;
  virtual void dispatchMessage(const platform::Message& message) = 0;
  virtual int32_t clock() = 0;
  // May block until a message comes or timeoutMs pass; returning early is fine.
  virtual void waitForMessage(int timeoutMs) = 0;
  // Once as each frame falls due: held input posts its messages, which are
  // handled before the frame runs.
  virtual void pollInput() {}
  virtual void runFrame() = 0;
  virtual void teardown() = 0;
};

// Runs until the quit message; returns its exit code. The first frame falls
// due 30 ms after `firstSample`, by default the loop's own first reading of
// the clock; the game passes the program's start, so its loading counts
// toward those 30 ms rather than coming before them.
int runMainLoop(LoopHost& host, FrameClock& clock,
                std::optional<int32_t> firstSample = std::nullopt);

}  // namespace shell
