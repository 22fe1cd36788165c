#include "platform/runtime.h"

#include <cstdlib>
#include <ctime>

namespace platform {
namespace {
std::optional<int64_t> gPinnedSeconds;
}

void seedRandom(unsigned seed) { std::srand(seed); }

int nextRandom() { return std::rand(); }

int64_t calendarSeconds() {
  if (gPinnedSeconds) return *gPinnedSeconds;
  return static_cast<int64_t>(std::time(nullptr));
}

void pinCalendarSeconds(std::optional<int64_t> seconds) { gPinnedSeconds = seconds; }

}  // namespace platform
