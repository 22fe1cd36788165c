// The C runtime's shared random generator and calendar clock, reached through
// one place so that tests can pin the time instead of waiting for it.
#pragma once

#include <cstdint>
#include <optional>

namespace platform {

void seedRandom(unsigned seed);
int nextRandom();  // non-negative

// The calendar time in whole seconds.
int64_t calendarSeconds();
// Pins calendarSeconds() to a value; std::nullopt goes back to the real clock.
void pinCalendarSeconds(std::optional<int64_t> seconds);

}  // namespace platform
