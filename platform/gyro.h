// A controller's gyro gives how fast it turns; the table wants how far it
// has turned since the player said "this is level". Samples come with the
// device's own timestamps, so a late or bunched delivery turns nothing extra.
#pragma once

#include <cstdint>

namespace platform {

class GyroIntegrator {
 public:
  // A gap longer than this between two samples (the pad slept, events were
  // dropped) is not integrated: the turn over it is unknown, and guessing it
  // from one rate would jump the table.
  static constexpr uint64_t kMaxGapUs = 100000;

  // The pose now is level: every angle is zero from here, and the next sample
  // only starts the count.
  void level();
  // One reading: microseconds on the device's clock, and the angular speed in
  // radians a second about each of the device's three axes.
  void add(uint64_t timestampUs, const float radiansPerSecond[3]);
  // Degrees turned about each axis since level().
  float degrees(int axis) const { return static_cast<float>(degrees_[axis]); }

 private:
  double degrees_[3] = {};
  float lastRate_[3] = {};
  uint64_t lastUs_ = 0;
  bool started_ = false;
};

}  // namespace platform
