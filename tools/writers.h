// File writers for the three data formats the game reads: 3D Studio meshes,
// 24-bit bottom-up BMP pictures and 16-bit PCM wave files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "raster.h"

namespace gen {

// The game keeps every mesh in fixed arrays of 500 entries.
constexpr size_t kMeshCapacity = 500;

struct MeshData {
  std::string name;  // stored NUL-terminated, so at most 19 characters
  std::vector<std::array<float, 3>> pos;
  std::vector<std::array<float, 2>> uv;  // one texture coordinate per vertex
  std::vector<std::array<uint16_t, 3>> faces;

  uint16_t vertex(float x, float y, float z, float u, float v);
  void tri(uint16_t a, uint16_t b, uint16_t c) { faces.push_back({a, b, c}); }
  void quad(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    tri(a, b, c);
    tri(a, c, d);
  }
};

// Each writer stops the program with a message if the file cannot be
// written or breaks a limit of the game's loaders.
void write3ds(const std::string& path, const MeshData& mesh);
void writeBmp(const std::string& path, const Image& img);
// PNG for the icons, written by libpng. `smallest` lets libpng filter the rows
// for the smallest file (the browser's icons, whose bytes the page counts).
void writePng(const std::string& path, const Image& img, bool smallest = false);
// A Windows icon file: one image, 24 bits per pixel, fully opaque.
void writeIco(const std::string& path, const Image& img);
void writeWav(const std::string& path, const std::vector<float>& samples, int rate);

[[noreturn]] void fail(const std::string& what);

}  // namespace gen
