// Small deterministic 2D toolkit: RGB images, a fixed-seed generator, value
// noise and anti-aliased shapes painted from signed distances.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace gen {

constexpr float kPi = 3.14159265358979f;

struct Rgb {
  float r = 0, g = 0, b = 0;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
constexpr Rgb hex(uint32_t v) {
  return {float((v >> 16) & 255) / 255.0f, float((v >> 8) & 255) / 255.0f, float(v & 255) / 255.0f};
}

inline float clamp01(float x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }
inline float smoothstep(float e0, float e1, float x) {
  const float t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}
inline float fract(float x) { return x - std::floor(x); }

struct V2 {
  float x = 0, y = 0;
};
inline V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
inline V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
inline V2 operator*(V2 a, float k) { return {a.x * k, a.y * k}; }
inline float dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
inline float length(V2 a) { return std::sqrt(dot(a, a)); }
inline V2 rotate(V2 p, float a) {
  const float c = std::cos(a), s = std::sin(a);
  return {c * p.x - s * p.y, s * p.x + c * p.y};
}

// Row 0 is the TOP of the picture; the BMP writer turns it bottom-up.
struct Image {
  int w, h;
  std::vector<Rgb> px;
  Image(int width, int height, Rgb fill = {})
      : w(width), h(height), px(size_t(width) * size_t(height), fill) {}
  Rgb& at(int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
  const Rgb& at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
  void blend(int x, int y, Rgb c, float a) {
    Rgb& p = at(x, y);
    p = mix(p, c, a);
  }
  // Bilinear lookup in texture convention: u wraps, v = 0 is the bottom row.
  Rgb sample(float u, float v) const;
};

// PCG32 with a fixed seed: the same numbers on every run.
struct Rng {
  uint64_t state;
  explicit Rng(uint64_t seed) : state(seed * 6364136223846793005ULL + 1442695040888963407ULL) {
    next();
  }
  uint32_t next() {
    const uint64_t old = state;
    state = old * 6364136223846793005ULL + 1442695040888963407ULL;
    const uint32_t xs = uint32_t(((old >> 18u) ^ old) >> 27u);
    const uint32_t rot = uint32_t(old >> 59u);
    return (xs >> rot) | (xs << ((32u - rot) & 31u));
  }
  float uniform() { return float(next() >> 8) / 16777216.0f; }  // [0, 1)
  float range(float a, float b) { return a + (b - a) * uniform(); }
};

uint32_t hash3(int32_t x, int32_t y, int32_t z, uint32_t seed);
inline float hashUnit(int32_t x, int32_t y, int32_t z, uint32_t seed) {  // [0, 1)
  return float(hash3(x, y, z, seed) >> 8) / 16777216.0f;
}
float noise2(float x, float y, uint32_t seed);           // smooth, about -1..1
float noise3(float x, float y, float z, uint32_t seed);  // smooth, about -1..1
float fbm2(float x, float y, int octaves, uint32_t seed);
float fbm3(float x, float y, float z, int octaves, uint32_t seed);

// A lattice cell of the noise and its eight corners' gradients, [z][y][x].
struct NoiseCell {
  int32_t ix = 0, iy = 0, iz = 0;
  uint32_t seed = 0;
  bool valid = false;
  const float* corner[2][2][2] = {};
  void place(int32_t x, int32_t y, int32_t z, uint32_t s);
};

// fbm2 over a run of nearby points, with the very same values: each octave
// keeps its cell's gradients while the points stay in it, since hashing the
// corners is most of the work.
class Fbm2Run {
 public:
  static constexpr int kMaxOctaves = 8;
  Fbm2Run(int octaves, uint32_t seed) : octaves_(std::min(octaves, kMaxOctaves)), seed_(seed) {}
  float operator()(float x, float y);

 private:
  int octaves_;
  uint32_t seed_;
  NoiseCell cells_[kMaxOctaves];
};

// Signed distances (negative inside), in the units of the arguments.
float sdSegment(V2 p, V2 a, V2 b);
float sdEllipse(V2 p, V2 c, float rx, float ry, float angle);
float sdPolygon(V2 p, const std::vector<V2>& v);

// Paints pixels of the box [x0,x1] x [y0,y1] (pixel units, y down) with
// colour col(x, y) where dist(x, y) < 0, anti-aliased over one pixel.
template <class Dist, class Col>
void paintShape(Image& img, float x0, float y0, float x1, float y1, Dist dist, Col col,
                float alpha = 1.0f) {
  const int ix0 = std::max(0, int(std::floor(x0)) - 1), iy0 = std::max(0, int(std::floor(y0)) - 1);
  const int ix1 = std::min(img.w - 1, int(std::ceil(x1)) + 1),
            iy1 = std::min(img.h - 1, int(std::ceil(y1)) + 1);
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      const float px = float(x) + 0.5f, py = float(y) + 0.5f;
      const float cover = clamp01(0.5f - dist(px, py));
      if (cover > 0) img.blend(x, y, col(px, py), cover * alpha);
    }
}

inline auto solid(Rgb c) {
  return [c](float, float) { return c; };
}
void fillCircle(Image& img, V2 c, float r, Rgb col, float alpha = 1.0f);
void fillEllipse(Image& img, V2 c, float rx, float ry, float angle, Rgb col, float alpha = 1.0f);
void fillPolygon(Image& img, const std::vector<V2>& pts, Rgb col, float alpha = 1.0f);
void strokeLine(Image& img, V2 a, V2 b, float width, Rgb col, float alpha = 1.0f);
void strokePath(Image& img, const std::vector<V2>& pts, float width, Rgb col, float alpha = 1.0f);
// A five-pointed (or n-pointed) star polygon.
std::vector<V2> starPoints(V2 c, float rOuter, float rInner, int points, float angle);

}  // namespace gen
