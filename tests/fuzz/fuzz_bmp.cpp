// Any bytes as a bitmap: decoding either refuses, saying why, or yields exactly
// width * height * 3 bytes; resampled for a texture, the sides are powers of
// two no longer than the limit.
#include <cstddef>
#include <cstdint>
#include <string>

#include "assets/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string problem;
  const auto image = assets::decodeBmp(data, size, &problem);
  if (!image) {
    if (problem.empty()) __builtin_trap();
    return 0;
  }
  if (image->width <= 0 || image->height <= 0) __builtin_trap();
  if (image->rgb.size() != static_cast<size_t>(image->width) * image->height * 3) __builtin_trap();
  const auto texture = assets::decodeBmpForTexture(data, size, 64);
  const auto power = [](int32_t side) {
    return side > 0 && side <= 64 && (side & (side - 1)) == 0;
  };
  if (!texture || !power(texture->width) || !power(texture->height) ||
      texture->rgb.size() != static_cast<size_t>(texture->width) * texture->height * 3) {
    __builtin_trap();
  }
  return 0;
}
