#include "platform/gyro.h"

namespace platform {

namespace {
constexpr double kDegreesPerRadian = 57.29577951308232;
}

void GyroIntegrator::level() {
  for (double& d : degrees_) d = 0.0;
  started_ = false;
}

void GyroIntegrator::add(uint64_t timestampUs, const float radiansPerSecond[3]) {
  // Each interval at the mean of the rates at its two ends: a steady turn
  // comes out exact, and a turn that speeds up is not counted a sample late.
  if (started_ && timestampUs > lastUs_ && timestampUs - lastUs_ <= kMaxGapUs) {
    const double seconds = static_cast<double>(timestampUs - lastUs_) * 1e-6;
    for (int i = 0; i < 3; ++i) {
      degrees_[i] += 0.5 * (static_cast<double>(lastRate_[i]) + radiansPerSecond[i]) * seconds *
                     kDegreesPerRadian;
    }
  }
  // A sample from before the last (a clock that went back) only restarts the count.
  started_ = true;
  lastUs_ = timestampUs;
  for (int i = 0; i < 3; ++i) lastRate_[i] = radiansPerSecond[i];
}

}  // namespace platform
