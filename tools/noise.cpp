// Hashes and gradient noise: integer and plain float arithmetic only, so the
// browser build's cloth (platform/web/unpack.cpp) gets the same values.
#include "raster.h"

namespace gen {

uint32_t hash3(int32_t x, int32_t y, int32_t z, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B1u;
  h ^= uint32_t(x) * 0x85EBCA77u;
  h = (h << 13) | (h >> 19);
  h ^= uint32_t(y) * 0xC2B2AE3Du;
  h = (h << 13) | (h >> 19);
  h ^= uint32_t(z) * 0x27D4EB2Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

namespace {
float fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }
float lerp(float a, float b, float t) { return a + (b - a) * t; }

// Gradient noise: lattice values alone look blocky along the axes.
constexpr float kGradients[12][3] = {{1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0},
                                     {1, 0, 1}, {-1, 0, 1}, {1, 0, -1}, {-1, 0, -1},
                                     {0, 1, 1}, {0, -1, 1}, {0, 1, -1}, {0, -1, -1}};
float grad(const float* v, float dx, float dy, float dz) {
  return v[0] * dx + v[1] * dy + v[2] * dz;
}

float noiseIn(NoiseCell& cell, float x, float y, float z, uint32_t seed) {
  const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
  const int32_t ix = int32_t(fx), iy = int32_t(fy), iz = int32_t(fz);
  cell.place(ix, iy, iz, seed);
  const float dx = x - fx, dy = y - fy, dz = z - fz;
  const float tx = fade(dx), ty = fade(dy), tz = fade(dz);
  float c[2][2];
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 2; ++j)
      c[k][j] = lerp(grad(cell.corner[k][j][0], dx, dy - float(j), dz - float(k)),
                     grad(cell.corner[k][j][1], dx - 1, dy - float(j), dz - float(k)), tx);
  return 1.3f * lerp(lerp(c[0][0], c[0][1], ty), lerp(c[1][0], c[1][1], ty), tz);
}

// `noise(octave, x, y, z, seed)` gives each octave's noise.
template <class Noise>
float fbm(float x, float y, float z, int octaves, uint32_t seed, Noise noise) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * noise(i, x, y, z, seed + uint32_t(i) * 101u);
    norm += amp;
    amp *= 0.5f;
    // Double the frequency and turn the lattice (an orthonormal matrix) so
    // octaves do not line up; the offset keeps the origin from repeating.
    const float nx = 1.6f * y + 1.2f * z, ny = -1.6f * x + 0.72f * y - 0.96f * z,
                nz = -1.2f * x - 0.96f * y + 1.28f * z;
    x = nx + 1.7f, y = ny + 9.2f, z = nz + 4.1f;
  }
  return sum / norm;
}
}  // namespace

void NoiseCell::place(int32_t x, int32_t y, int32_t z, uint32_t s) {
  if (valid && x == ix && y == iy && z == iz && s == seed) return;
  ix = x, iy = y, iz = z, seed = s, valid = true;
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i) corner[k][j][i] = kGradients[hash3(x + i, y + j, z + k, s) % 12u];
}

float noise3(float x, float y, float z, uint32_t seed) {
  NoiseCell cell;
  return noiseIn(cell, x, y, z, seed);
}

float noise2(float x, float y, uint32_t seed) { return noise3(x, y, 0.5f, seed); }

float fbm3(float x, float y, float z, int octaves, uint32_t seed) {
  return fbm(x, y, z, octaves, seed,
             [](int, float x, float y, float z, uint32_t s) { return noise3(x, y, z, s); });
}

float fbm2(float x, float y, int octaves, uint32_t seed) {
  return fbm3(x, y, 0.37f, octaves, seed);
}

float Fbm2Run::operator()(float x, float y) {
  return fbm(x, y, 0.37f, octaves_, seed_, [this](int i, float x, float y, float z, uint32_t s) {
    return noiseIn(cells_[i], x, y, z, s);
  });
}

}  // namespace gen
