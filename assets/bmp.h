// 24-bit Windows bitmaps as mipmapped OpenGL textures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/gl.h"

namespace assets {

constexpr int32_t kMaxBmpSide = 16384;
// A short file may declare far more pixels than it holds (the rest repeat the
// last one), so the picture's area is bounded too: 16 Mi pixels is 48 MiB.
constexpr int64_t kMaxBmpPixels = 16LL * 1024 * 1024;

struct RgbImage {
  int32_t width = 0;
  int32_t height = 0;
  // Red, green, blue per pixel, the bottom row of the picture first.
  std::vector<uint8_t> rgb;
};

// Decodes an uncompressed 24-bit bitmap: rows padded to 4 bytes, bottom-up or
// top-down (negative height), pixel data wherever the file header says. Pixels
// missing from a short file repeat the last pixel read. Anything else (another
// depth, compression, a side of 0 or above kMaxBmpSide, no whole first pixel)
// gives nothing, as does an area above kMaxBmpPixels.
std::optional<RgbImage> decodeBmp(const uint8_t* data, size_t size);

// Gives `texture` the picture of the file, with repeat wrapping, linear and
// mipmap filtering and the replace texture environment. Returns -1 with no GL
// call when the file cannot be opened or is not a bitmap decodeBmp reads; 1
// otherwise.
int32_t loadBmpTexture(const char* path, GLuint texture);

}  // namespace assets
