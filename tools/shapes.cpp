#include "shapes.h"

namespace gen {

float spotRadius(float theta) {
  // Noise sampled around a circle is periodic in theta by construction.
  const float c = std::cos(theta), s = std::sin(theta);
  float r = 9.0f + 1.5f * noise2(1.4f * c + 3.0f, 1.4f * s, 71u) +
            0.7f * noise2(4.0f * c, 4.0f * s + 9.0f, 72u);
  // Splash spikes where the guts squirted out.
  Rng rng(73);
  for (int i = 0; i < 7; ++i) {
    const float at = rng.range(0, 2 * kPi), height = rng.range(1.5f, 3.8f),
                width = rng.range(0.14f, 0.28f);
    float d = std::fabs(theta - at);
    d = std::min(d, 2 * kPi - d);
    r += height * std::exp(-(d / width) * (d / width));
  }
  return r;
}

std::array<Droplet, kDroplets> spotDroplets() {
  std::array<Droplet, kDroplets> out{};
  Rng rng(74);
  for (Droplet& d : out) {
    const float a = rng.range(0, 2 * kPi), dist = spotRadius(a) + rng.range(1.6f, 3.0f);
    d = {dist * std::cos(a), dist * std::sin(a), rng.range(0.7f, 1.4f)};
    // Keep every droplet inside the picture (half-size 18).
    const float reach = std::sqrt(d.x * d.x + d.y * d.y) + d.r;
    if (reach > kSpotTexHalf - 0.5f) {
      const float k = (kSpotTexHalf - 0.5f - d.r) / (reach - d.r);
      d.x *= k, d.y *= k;
    }
  }
  return out;
}

}  // namespace gen
