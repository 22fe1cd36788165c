// Little-endian values in a byte image, as RIFF, BMP and LZMA headers store
// them; read byte by byte so neither alignment nor the host's order matters.
#pragma once

#include <cstdint>

namespace platform {

inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint32_t le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace platform
