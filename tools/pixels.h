// How the writers store pixels. Header-only, so the browser's cloth maker
// (platform/web/unpack.cpp) writes linen.bmp exactly as the generator does.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "raster.h"

namespace gen {

// One colour channel as every writer stores it.
inline uint8_t colourByte(float c) { return uint8_t(std::lround(clamp01(c) * 255.0f)); }

// What comes before the rows of a 24-bit bottom-up BMP of w x h pixels, w a
// multiple of 4 (the game reads rows with no padding).
constexpr uint32_t kBmpHeaderSize = 54;
inline std::array<uint8_t, kBmpHeaderSize> bmpHeader(uint32_t w, uint32_t h) {
  const uint32_t dataSize = w * h * 3;
  const uint32_t fields[] = {kBmpHeaderSize + dataSize,
                             0,
                             kBmpHeaderSize,  // pixels follow the two headers directly
                             40,
                             w,
                             h,               // positive: bottom row first
                             1 | (24 << 16),  // one plane, 24 bits per pixel
                             0,               // no compression
                             dataSize,
                             2835,  // 72 dpi
                             2835,
                             0,
                             0};
  std::array<uint8_t, kBmpHeaderSize> out{'B', 'M'};
  for (size_t i = 0; i < std::size(fields); ++i)
    for (size_t k = 0; k < 4; ++k) out[2 + 4 * i + k] = uint8_t(fields[i] >> (8 * k));
  return out;
}

}  // namespace gen
