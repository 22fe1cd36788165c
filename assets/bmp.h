// Windows and OS/2 bitmaps as mipmapped OpenGL textures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/gl.h"

namespace assets {

// Texture sides stop here whatever GL takes: the window is 960 pixels wide,
// so larger levels of a mipmapped texture are never drawn, only held.
constexpr int32_t kMaxTextureSide = 4096;

struct RgbImage {
  int32_t width = 0;
  int32_t height = 0;
  // Red, green, blue per pixel, the bottom row of the picture first.
  std::vector<uint8_t> rgb;
};

// Decodes a bitmap as Windows and OS/2 write them: 1, 4 and 8 bits through a
// colour table, RLE8 and RLE4, 16 and 32 bits with or without bit fields, 24
// bits; any row padding, bottom-up or top-down, pixel data wherever the file
// header says. Alpha is dropped. Pixels missing from a short file repeat the
// last pixel read; those an RLE file never reaches take colour 0. A file must
// hold its first pixel and may not declare more than 128 pixels (what RLE's
// longest run packs into a byte) for each byte it holds, beyond 65536. On
// failure `problem` gets a short phrase saying why ("JPEG data, not a bitmap").
std::optional<RgbImage> decodeBmp(const uint8_t* data, size_t size, std::string* problem = nullptr);

// The sides a picture is uploaded at: each rounded to a power of two as GLU
// rounds (up from three quarters of the way), then both halved together
// until neither is above maxSide.
std::pair<int32_t, int32_t> textureSize(int32_t width, int32_t height, int32_t maxSide);

// decodeBmp, resampled to textureSize by averaging the area each texel
// covers, without ever holding the picture at its own size.
std::optional<RgbImage> decodeBmpForTexture(const uint8_t* data, size_t size, int32_t maxSide,
                                            std::string* problem = nullptr);

// Gives `texture` the picture of the file, with repeat wrapping, linear and
// mipmap filtering and the replace texture environment. The picture reaches
// gluBuild2DMipmaps with sides that are powers of two, so GLU does no
// scaling of its own (its scaling blackens the top row of a picture whose
// height alone is a power of two). Returns -1 with no change to GL state when
// the file cannot be read, and reports why; 1 otherwise.
int32_t loadBmpTexture(const char* path, GLuint texture);

}  // namespace assets
