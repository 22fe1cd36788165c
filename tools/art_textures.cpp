// Textures of the table objects. The game draws them with GL_REPLACE and no
// lighting, so all shading is painted in. Pictures are evaluated per pixel
// in the model units of the mesh they are mapped onto.
#include <numeric>

#include "art.h"
#include "shapes.h"

namespace gen {
namespace {

// Texture coordinate of the centre of pixel (i, row) with row 0 at the top.
float texU(const Image& img, int i) { return (float(i) + 0.5f) / float(img.w); }
float texV(const Image& img, int row) { return 1.0f - (float(row) + 0.5f) / float(img.h); }

// Value at fraction q of the sorted values: used to set land/sea and cloud
// cover by area rather than by a guessed noise level.
float percentile(std::vector<float> v, float q) {
  std::sort(v.begin(), v.end());
  return v[size_t(q * float(v.size() - 1))];
}

}  // namespace

Image makeEarth() {
  // Equirectangular: column = longitude, top row = north pole.
  constexpr int W = 256, H = 128;
  Image img(W, H);
  std::vector<float> height(W * H), moist(W * H), cloud(W * H);
  for (int j = 0; j < H; ++j)
    for (int i = 0; i < W; ++i) {
      const float lat = kPi * (0.5f - (float(j) + 0.5f) / H), lon = 2 * kPi * (float(i) + 0.5f) / W;
      // Noise is sampled on the sphere itself, so there is no seam and no pole pinch.
      const float px = std::cos(lat) * std::cos(lon), py = std::cos(lat) * std::sin(lon),
                  pz = std::sin(lat);
      const float wx = fbm3(1.5f * px + 7, 1.5f * py, 1.5f * pz, 4, 5);
      const float wy = fbm3(1.5f * px, 1.5f * py + 7, 1.5f * pz, 4, 6);
      const float wz = fbm3(1.5f * px, 1.5f * py, 1.5f * pz + 7, 4, 7);
      const size_t k = size_t(j) * W + size_t(i);
      // Broad continents from a low octave, coastlines and ranges from finer ones.
      const float qx = px + 0.5f * wx, qy = py + 0.5f * wy, qz = pz + 0.5f * wz;
      height[k] = 0.7f * fbm3(1.1f * qx, 1.1f * qy, 1.1f * qz, 3, 1) +
                  0.3f * fbm3(3.5f * qx, 3.5f * qy, 3.5f * qz, 5, 2);
      moist[k] = fbm3(2.5f * px, 2.5f * py, 2.5f * pz, 4, 9);
      cloud[k] = fbm3(2.0f * px + 0.8f * wy, 2.0f * py + 0.8f * wz, 5.0f * pz, 5,
                      21);  // streaky along latitude
    }
  const float sea = percentile(height, 0.70f);  // 30 % land, like the real one
  const float top = *std::max_element(height.begin(), height.end());
  const float deep = *std::min_element(height.begin(), height.end());
  const float cloudLevel = percentile(cloud, 0.92f);
  for (int j = 0; j < H; ++j)
    for (int i = 0; i < W; ++i) {
      const size_t k = size_t(j) * W + size_t(i);
      const float latDeg = 90.0f - 180.0f * (float(j) + 0.5f) / H, absLat = std::fabs(latDeg);
      const float h = height[k];
      Rgb c;
      if (h < sea) {
        const float depth = (sea - h) / (sea - deep);
        c = mix(hex(0x2A7FA8), hex(0x0E3F7A), smoothstep(0.0f, 0.25f, depth));
        c = mix(c, hex(0x061E4E), smoothstep(0.25f, 0.9f, depth));
      } else {
        const float alt = (h - sea) / (top - sea);
        const float dry = smoothstep(0.05f, -0.2f, moist[k]) *
                          std::exp(-((absLat - 23) / 11) * ((absLat - 23) / 11));
        Rgb lowland = mix(hex(0x3F7A2A), hex(0x1F5220), smoothstep(-0.1f, 0.25f, moist[k]));
        lowland = mix(lowland, hex(0x8E8A45), smoothstep(0.1f, 0.5f, dry) * 0.6f);  // savanna
        lowland = mix(lowland, hex(0xD2B57A), smoothstep(0.35f, 0.75f, dry));       // desert
        lowland = mix(lowland, hex(0x6E6A4E), smoothstep(50, 62, absLat));          // tundra
        c = mix(lowland, hex(0x7A5E3E), smoothstep(0.35f, 0.6f, alt));              // highlands
        c = mix(c, hex(0xF0F0F0), smoothstep(0.72f, 0.85f, alt));                   // peaks
        c = mix(c, hex(0x4D8A36), (1 - smoothstep(0.0f, 0.04f, alt)) * 0.4f);       // coast
      }
      // Polar ice with a ragged edge.
      const float iceEdge = 73.0f + 12.0f * moist[k];
      c = mix(c, hex(0xEEF4FA), smoothstep(iceEdge - 1.5f, iceEdge + 1.5f, absLat));
      // A few clouds: thin enough not to hide the turning of the ball.
      c = mix(c, hex(0xFAFAFA), 0.5f * smoothstep(cloudLevel - 0.03f, cloudLevel + 0.1f, cloud[k]));
      img.at(i, j) = c;
    }
  return img;
}

Image makeLinen() {
  Image img(kLinenW, kLinenH);
  const LinenRows rows;
  for (int row = 0; row < kLinenH; ++row) rows.row(row, &img.at(0, row));
  return img;
}

Image makeClay() {
  // Rows (v from the bottom): outer wall, rim, inner wall, coffee disc.
  constexpr int N = 128;
  Image img(N, N);
  const float lightU = 0.3f;  // where the window's reflection sits on the wall
  for (int row = 0; row < N; ++row)
    for (int i = 0; i < N; ++i) {
      const float u = texU(img, i), v = texV(img, row);
      // Periodic in u so the seam of the wall does not show.
      const float cu = std::cos(2 * kPi * u), su = std::sin(2 * kPi * u);
      float du = std::fabs(u - lightU);
      du = std::min(du, 1 - du);
      const float gloss = std::exp(-(du / 0.05f) * (du / 0.05f));
      const float speck = hashUnit(i, row, 0, 31) > 0.97f ? 0.8f : 1.0f;
      Rgb c;
      if (v < kClayWallV1) {
        const float s = v / kClayWallV1;  // 0 foot, 1 lip
        const float drip = 0.14f + 0.06f * noise2(4 * cu, 4 * su, 32);
        const Rgb glaze = mix(hex(0x7A2E14), hex(0xC0592C), smoothstep(0.1f, 0.9f, s));
        c = mix(hex(0x9C6A4C), glaze, smoothstep(drip - 0.02f, drip + 0.02f, s));
        c = c * (0.85f + 0.15f * std::cos(2 * kPi * (u - lightU))) * speck;
        c = mix(c, hex(0xFFE8D0), 0.45f * gloss * smoothstep(0.2f, 0.8f, s));
      } else if (v < kClayRimV1) {
        const float s = (v - kClayWallV1) / (kClayRimV1 - kClayWallV1);  // 0 outside, 1 inside
        c = hex(0xEEDFC2) * ((0.72f + 0.28f * std::sin(kPi * s)) * speck);
        c = mix(c, hex(0xFFFFFF), 0.5f * gloss * std::sin(kPi * s));
      } else if (v < kClayInnerV1) {
        const float s = (v - kClayRimV1) / (kClayInnerV1 - kClayRimV1);  // 0 coffee, 1 lip
        c = hex(0xD9C7A4) * ((0.45f + 0.45f * s) * speck);
        c = mix(c, hex(0x5A3418), smoothstep(0.12f, 0.0f, s) * 0.7f);  // coffee stain line
      } else {
        const float dx = (u - 0.5f) / 0.22f, dy = (v - 0.75f) / 0.22f,
                    r = std::sqrt(dx * dx + dy * dy);
        c = mix(hex(0x2E160A), hex(0x3C2010), 0.5f + 0.5f * fbm2(dx * 3, dy * 3, 2, 33));
        c = mix(c, hex(0x7A5032), smoothstep(0.78f, 0.95f, r) * 0.7f);  // crema at the edge
        c = mix(c, hex(0x2A1408), smoothstep(0.96f, 1.02f, r));         // meniscus shadow
        const float spot =
            std::exp(-((dx + 0.3f) * (dx + 0.3f) / 0.04f + (dy - 0.35f) * (dy - 0.35f) / 0.015f));
        c = mix(c, hex(0xFFF4E0), 0.55f * spot);  // window reflection
      }
      img.at(i, row) = c;
    }
  return img;
}

Image makePizza() {
  // Top view over +-50 units; the corner below v, u < 0.12 holds the side strip.
  constexpr int N = 256;
  Image img(N, N);
  const float crustInner = kCrustInner - 1.0f;
  for (int row = 0; row < N; ++row)
    for (int i = 0; i < N; ++i) {
      const float u = texU(img, i), v = texV(img, row);
      const float x = (u - 0.5f) * 2 * kPizzaTexHalf, y = (v - 0.5f) * 2 * kPizzaTexHalf;
      const float r = std::sqrt(x * x + y * y), a = std::atan2(y, x);
      Rgb c;
      if (r > kPizzaRadius + 0.5f) {
        c = (u < 0.12f && v < 0.12f) ? mix(hex(0x6B3A16), hex(0xB07A3C), smoothstep(0.0f, 0.12f, v))
                                     : hex(0x7A4A20);
      } else {
        const float inner = crustInner + 1.2f * noise2(3 * std::cos(a), 3 * std::sin(a), 41);
        const float bake = fbm2(x / 7, y / 7, 4, 42);
        // Crust: brightest on the ridge, baked darker in patches and at the outer edge.
        const float cr = clamp01((r - inner) / (kPizzaRadius - inner));
        Rgb crust = mix(hex(0xA8642A), hex(0xE8AE5C), std::sin(kPi * std::min(1.0f, cr * 1.1f)));
        crust = mix(crust, hex(0x9A5220), smoothstep(-0.1f, 0.3f, bake) * 0.6f);
        crust =
            mix(crust, hex(0x3A1C0A), smoothstep(0.45f, 0.65f, bake) * 0.7f);  // charred blisters
        crust = mix(crust, hex(0x6A3612), smoothstep(0.8f, 1.0f, cr) * 0.6f);
        // Sauce with cheese melted over most of it, browned in spots.
        const Rgb sauce =
            mix(hex(0xB02410), hex(0x7E160A), 0.5f + 0.5f * fbm2(x / 3, y / 3, 3, 43));
        const float melt = fbm2(x / 9, y / 9, 4, 44) + 0.3f - 0.45f * smoothstep(32, 41, r);
        Rgb cheese = mix(hex(0xFCE8A4), hex(0xF2C660), 0.5f + 0.5f * fbm2(x / 5, y / 5, 2, 45));
        cheese = mix(cheese, hex(0xC07E2E),
                     smoothstep(0.3f, 0.5f, fbm2(x / 2.5f, y / 2.5f, 3, 46)) * 0.8f);
        Rgb top = mix(sauce, cheese, smoothstep(-0.02f, 0.06f, melt));
        top = mix(top, hex(0xE89A40),
                  smoothstep(0.07f, 0.0f, std::fabs(melt - 0.02f)) * 0.4f);  // cheese edges
        top = mix(top, sauce * 0.6f,
                  smoothstep(1.5f, 0.0f, inner - r) * 0.6f);  // sauce pooled at the crust
        c = mix(top, crust, smoothstep(inner - 0.4f, inner + 0.4f, r));
      }
      img.at(i, row) = c;
    }
  // Toppings, painted in pixels (2.56 px per unit, y down).
  const float ppu = float(N) / (2 * kPizzaTexHalf);
  auto P = [&](float x, float y) {
    return V2{(x + kPizzaTexHalf) * ppu, (kPizzaTexHalf - y) * ppu};
  };
  Rng rng(47);
  std::vector<V2> placed;
  auto freeSpot = [&](float minR, float maxR, float gap) {
    for (;;) {
      const float a = rng.range(0, 2 * kPi), r = std::sqrt(rng.range(minR * minR, maxR * maxR));
      const V2 p{r * std::cos(a), r * std::sin(a)};
      bool ok = true;
      for (const V2& q : placed) ok = ok && length(p - q) > gap;
      if (ok) return placed.push_back(p), p;
    }
  };
  for (int k = 0; k < 9; ++k) {  // pepperoni
    const V2 p = freeSpot(k == 0 ? 0 : 10, 34, 12.5f);
    const float rr = rng.range(5.5f, 6.5f) * ppu;
    const V2 c = P(p.x, p.y);
    fillCircle(img, c + V2{0.6f, 0.8f}, rr + 0.8f, hex(0x7A3A10), 0.5f);  // grease halo
    paintShape(
        img, c.x - rr, c.y - rr, c.x + rr, c.y + rr,
        [&](float x, float y) {
          return length(V2{x, y} - c) - rr;
        },
        [&](float x, float y) {
          const float q = length(V2{x, y} - c) / rr;
          Rgb col = mix(hex(0xB5301C), hex(0x8C1C10), smoothstep(0.5f, 1.0f, q));
          col = mix(col, hex(0x5A0E08), smoothstep(0.82f, 1.0f, q) * 0.8f);
          if (hashUnit(int(x), int(y), k, 48) > 0.95f)
            col = mix(col, hex(0xD88A6A), 0.5f);  // fat specks
          return col;
        });
  }
  for (int k = 0; k < 7; ++k) {  // black olive rings
    const V2 p = freeSpot(4, 38, 7.0f), c = P(p.x, p.y);
    const float ro = 1.9f * ppu, ri = 0.85f * ppu;
    paintShape(
        img, c.x - ro, c.y - ro, c.x + ro, c.y + ro,
        [&](float x, float y) {
          const float d = length(V2{x, y} - c);
          return std::max(d - ro, ri - d);
        },
        [&](float, float y) {
          return mix(hex(0x2A2420), hex(0x0E0B0A), clamp01((y - c.y + ro) / (2 * ro)));
        });
  }
  for (int k = 0; k < 6; ++k) {  // basil leaves
    const V2 p = freeSpot(5, 37, 7.0f), c = P(p.x, p.y);
    const float ang = rng.range(0, kPi), len = rng.range(4.0f, 5.0f) * ppu;
    fillEllipse(img, c, len, len * 0.48f, ang, hex(0x1E5A18));
    fillEllipse(img, c - V2{0.3f, 0.3f}, len * 0.8f, len * 0.32f, ang, hex(0x2F7A22));
    strokeLine(img, c - rotate({len * 0.85f, 0}, ang), c + rotate({len * 0.85f, 0}, ang), 0.7f,
               hex(0x163F12));
  }
  // Cut lines into eight slices.
  for (int k = 0; k < 4; ++k) {
    const float a = 0.2f + kPi * float(k) / 4;
    const V2 d{std::cos(a) * (kCrustInner + 2), std::sin(a) * (kCrustInner + 2)};
    strokeLine(img, P(-d.x, -d.y), P(d.x, d.y), 1.0f, hex(0x4A1A0A), 0.45f);
  }
  return img;
}

Image makeBodySkin() {
  // Top view of the body over its model rectangle (square texels).
  Image img(128, 256);
  for (int row = 0; row < img.h; ++row)
    for (int i = 0; i < img.w; ++i) {
      const float x = kSkinX0 + (kSkinX1 - kSkinX0) * texU(img, i),
                  y = kSkinY0 + (kSkinY1 - kSkinY0) * texV(img, row);
      const float t = (y - kBodyRearY) / (kBodyFrontY - kBodyRearY), w = roachHalfWidth(t);
      const float sx = x - kBodyMidX, c = w > 0.05f ? sx / w : 2.0f;
      Rgb col = hex(0x240C04);  // beyond the outline: the mesh never shows it
      if (std::fabs(c) < 1.05f) {
        const float dome = std::sqrt(std::max(0.0f, 1 - c * c));
        if (t > kHeadT || (kHead.contains(t, sx) && !kShield.contains(t, sx))) {
          // Head, its dark eyes at the sides, paler mouthparts at the tip.
          const float ht = (t - kHead.centre + kHead.halfLength) / (2 * kHead.halfLength);
          col = hex(0x3E1A0A);
          const float eye = std::hypot(std::fabs(sx) - 0.85f, (ht - 0.3f) * 1.6f);
          col = mix(col, hex(0x140804), 0.8f * smoothstep(0.26f, 0.16f, eye));
          col = mix(col, hex(0x8A5A30), smoothstep(0.7f, 0.95f, ht) * 0.6f);
        } else if (kShield.contains(t, sx)) {
          // Shield: a pale margin around a dark two-lobed blotch.
          const float st = (t - kShield.centre) / kShield.halfLength;  // -1 rear .. 1 front
          const float lobes = std::hypot((std::fabs(sx) - 0.8f) / 1.2f, (st + 0.1f) / 0.75f);
          const float rim =
              std::pow(std::fabs(st), 2.2f) + std::pow(std::fabs(sx) / kShield.halfWidth, 2.2f);
          col = mix(hex(0x5A240A), hex(0x2E1004), smoothstep(1.0f, 0.6f, lobes) * 0.7f);
          col = mix(col, hex(0xC8985A),
                    smoothstep(0.55f, 0.72f, rim) * smoothstep(-0.9f, -0.3f, st));  // pale margin
          col = mix(col, hex(0x2A0E04), smoothstep(0.88f, 1.0f, rim) * 0.5f);
          const float hl =
              std::exp(-((sx + 1.0f) * (sx + 1.0f) / 0.15f + (st - 0.2f) * (st - 0.2f) / 0.08f));
          col = mix(col, hex(0xFFF0D8), 0.45f * hl);
        } else {
          // Wings: glossy dark reddish brown, the left one lapping over the
          // right along a seam; abdomen segments show faintly at the rear.
          const float seam = 0.15f * (1 - t / kShield.centre) + 0.04f;
          col = mix(hex(0x4A1806), hex(0x7A2E0E), 0.5f + 0.5f * fbm2(sx * 3, y * 0.8f, 3, 51));
          col = col * (1.0f - 0.08f * stripe(sx * 2.4f + 0.1f * y, 0.2f));  // veins
          const float seg = smoothstep(0.1f, 0.0f, std::fabs(fract(t * 16) - 0.5f) - 0.38f);
          col = col * (1.0f - 0.3f * smoothstep(0.4f, 0.05f, t) * seg);
          col = mix(col, hex(0x140602), smoothstep(0.1f, 0.0f, std::fabs(sx - seam)));
          col = mix(col, hex(0xA05A34),
                    smoothstep(0.22f, 0.1f, sx - seam) * smoothstep(0.0f, 0.1f, sx - seam) * 0.5f);
          const float hl = std::exp(-((std::fabs(sx) - 1.3f) * (std::fabs(sx) - 1.3f) / 0.2f +
                                      (t - 0.38f) * (t - 0.38f) / 0.015f));
          col = mix(col, hex(0xF8D8B8), 0.5f * hl * (sx < 0 ? 1.0f : 0.55f));
        }
        col = col * (0.45f + 0.55f * std::sqrt(dome));  // darker towards the rim
      }
      img.at(i, row) = col;
    }
  return img;
}

Image makeLimbSkin() {
  // u along the limb (root at 0), v across; joints and foot segments banded.
  Image img(128, 32);
  for (int row = 0; row < img.h; ++row)
    for (int i = 0; i < img.w; ++i) {
      const float u = texU(img, i), v = texV(img, row);
      Rgb c = mix(hex(0x4A2410), hex(0x2C1408), u * 0.6f);
      c = c * (0.5f + 0.5f * std::sin(kPi * v));
      for (float joint : {0.17f, 0.46f, 0.72f})
        c = c * (1 - 0.55f * smoothstep(0.022f, 0.0f, std::fabs(u - joint)));
      if (u > 0.74f) c = c * (0.8f + 0.2f * stripe(u * 22, 0.15f));
      c = mix(c, hex(0x9A6A40), 0.35f * smoothstep(0.12f, 0.0f, std::fabs(v - 0.66f)));  // sheen
      if ((v < 0.2f || v > 0.8f) && hashUnit(i, row, 0, 61) > 0.85f) c = c * 0.5f;       // bristles
      img.at(i, row) = c;
    }
  return img;
}

Image makeSpotSkin() {
  // Top view over +-18 units, matching the splat outline of spot.3ds.
  Image img(128, 128);
  const float ppu = float(img.w) / (2 * kSpotTexHalf);
  for (int row = 0; row < img.h; ++row)
    for (int i = 0; i < img.w; ++i) {
      const float x = (texU(img, i) - 0.5f) * 2 * kSpotTexHalf,
                  y = (texV(img, row) - 0.5f) * 2 * kSpotTexHalf;
      const float r = std::hypot(x, y), q = r / spotRadius(std::atan2(y, x));
      Rgb c = mix(hex(0x4A3C14), hex(0x2A1C08), smoothstep(0.2f, 0.9f, q));
      c = c * (0.85f + 0.3f * fbm2(x / 2.5f, y / 2.5f, 4, 62));
      c = mix(c, hex(0x6A6424),
              smoothstep(0.1f, 0.4f, fbm2(x / 3.5f + 5, y / 3.5f, 3, 63)) * 0.4f);  // goo
      c = mix(c, hex(0x1A0E04), smoothstep(0.75f, 1.0f, q) * 0.8f);                 // drying rim
      if (hashUnit(i, row, 0, 64) > 0.94f) c = c * 0.6f;                            // flecks
      img.at(i, row) = c;
    }
  auto P = [&](float x, float y) { return V2{(x + kSpotTexHalf) * ppu, (kSpotTexHalf - y) * ppu}; };
  // The flattened body along +y (the roach's heading): a torn shell with a
  // crushed shield at the front, broken bits, legs and feelers.
  Rng rng(65);
  std::vector<V2> shell;
  for (int k = 0; k < 24; ++k) {
    const float a = 2 * kPi * float(k) / 24, wobble = rng.range(0.8f, 1.15f);
    shell.push_back(P(3.8f * wobble * std::cos(a), 0.5f + 6.5f * wobble * std::sin(a)));
  }
  fillPolygon(img, shell, hex(0x5A2410));
  fillEllipse(img, P(0, 5.0f), 3.0f * ppu, 1.6f * ppu, 0.1f, hex(0x8A5A2C),
              0.45f);                                                            // crushed shield
  strokePath(img, {P(0.2f, 4), P(-0.3f, 0), P(0.4f, -5)}, 1.2f, hex(0x1E0A04));  // wing seam
  for (int k = 0; k < 3; ++k)                                                    // cracks
    strokePath(img,
               {P(rng.range(-3, -1), rng.range(-5, 4)), P(rng.range(-1, 1), rng.range(-5, 4)),
                P(rng.range(1, 3), rng.range(-5, 4))},
               0.6f, hex(0x2A1006), 0.6f);
  for (int k = 0; k < 8; ++k) {
    const float a = rng.range(0, 2 * kPi), d = rng.range(4.5f, 8.0f),
                sz = rng.range(0.6f, 1.3f) * ppu;
    const V2 c = P(d * std::cos(a), d * std::sin(a));
    const float b = rng.range(0, 2 * kPi);
    std::vector<V2> shard = {c + rotate({sz, 0}, b), c + rotate({sz * 0.8f, 0}, b + 2.2f),
                             c + rotate({sz * 0.9f, 0}, b + 4.0f)};
    fillPolygon(img, shard, hex(0x4A1A08));
    strokeLine(img, shard[0], shard[1], 0.7f, hex(0x9A5A38), 0.4f);
  }
  for (int k = 0; k < 6; ++k) {
    const float side = k < 3 ? 1.0f : -1.0f, yy = 3.5f - 3.5f * float(k % 3);
    const V2 a = P(side * 3.0f, yy),
             b = P(side * rng.range(6.0f, 7.5f), yy + rng.range(-1.5f, 2.0f));
    const V2 c = b + V2{side * rng.range(2.0f, 3.5f), rng.range(-3.0f, 3.0f)} * ppu;
    strokePath(img, {a, b}, 2.2f, hex(0x24100A));
    strokePath(img, {b, c}, 1.5f, hex(0x24100A));
  }
  strokePath(img, {P(0.6f, 7.2f), P(2.0f, 10.0f), P(4.5f, 11.5f)}, 1.1f, hex(0x24100A));
  strokePath(img, {P(-0.6f, 7.2f), P(-1.5f, 9.5f), P(-0.8f, 11.5f)}, 1.1f, hex(0x24100A));
  for (int k = 0; k < 8; ++k)
    fillCircle(img, P(rng.range(-8, 8), rng.range(-8, 8)), rng.range(0.4f, 0.9f), hex(0xE8E8C0),
               0.35f);
  return img;
}

void drawGlobe(Image& img, const Image& earth, V2 centre, float radius, float spin) {
  const float tilt = -0.41f;  // the axis leans 23.5 degrees, as on a school globe
  const float lx = -0.5f, ly = 0.6f, lz = 0.62f, ll = std::sqrt(lx * lx + ly * ly + lz * lz);
  const float hx = lx / ll, hy = ly / ll, hz = lz / ll + 1,
              hl = std::sqrt(hx * hx + hy * hy + hz * hz);
  paintShape(
      img, centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius,
      [&](float x, float y) {
        return length(V2{x, y} - centre) - radius;
      },
      [&](float x, float y) {
        float nx = (x - centre.x) / radius, ny = (centre.y - y) / radius;
        const float d2 = nx * nx + ny * ny;
        if (d2 > 0.998f) nx *= std::sqrt(0.998f / d2), ny *= std::sqrt(0.998f / d2);
        const float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
        const float ax = std::cos(tilt) * nx - std::sin(tilt) * ny,
                    ay = std::sin(tilt) * nx + std::cos(tilt) * ny;
        const float lat = std::asin(std::clamp(ay, -1.0f, 1.0f)), lon = std::atan2(ax, nz) + spin;
        Rgb c = earth.sample(lon / (2 * kPi), lat / kPi + 0.5f);
        const float diffuse = std::max(0.0f, (nx * lx + ny * ly + nz * lz) / ll);
        const float shine = std::pow(std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hl), 40.0f);
        c = c * (0.22f + 0.9f * diffuse) + hex(0xFFFFFF) * (0.45f * shine);
        return mix(c, hex(0x8FC4FF), 0.5f * std::pow(1 - nz, 3.0f));  // thin atmosphere at the rim
      });
}

Image makeIcon(int size, const Image& earth) {
  const float s = float(size);
  Image img(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      img.at(x, y) = gingham((float(x) + 0.5f) / (s / 3.5f), (float(y) + 0.5f) / (s / 3.5f));
  fillEllipse(img, {s * 0.56f, s * 0.6f}, s * 0.4f, s * 0.36f, 0.0f, hex(0x3A0A0A),
              0.45f);  // shadow
  drawGlobe(img, earth, {s * 0.5f, s * 0.5f}, s * 0.41f, 0.6f);
  return img;
}

}  // namespace gen
