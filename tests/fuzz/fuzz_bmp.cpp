// Any bytes as a bitmap: decoding either refuses or yields exactly
// width * height * 3 bytes within the side limit.
#include <cstddef>
#include <cstdint>

#include "assets/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto image = assets::decodeBmp(data, size);
  if (!image) return 0;
  if (image->width <= 0 || image->height <= 0 || image->width > assets::kMaxBmpSide ||
      image->height > assets::kMaxBmpSide) {
    __builtin_trap();
  }
  if (image->rgb.size() != static_cast<size_t>(image->width) * image->height * 3) __builtin_trap();
  return 0;
}
