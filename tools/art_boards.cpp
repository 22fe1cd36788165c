// The two game-over pictures, 768 x 512 (3:2, like the 30 x 20 board). The
// board's text labels cover the right half, so the scene stays in the left
// half and the right half is a quiet background.
#include "art.h"

namespace gen {
namespace {

constexpr int kW = 768, kH = 512;

// A cartoon roach leg: hip, knee, foot, drawn as a tapered jointed line.
void drawLeg(Image& img, V2 hip, V2 knee, V2 foot, float width, Rgb col) {
  strokeLine(img, hip, knee, width, col);
  strokeLine(img, knee, foot, width * 0.7f, col);
  fillCircle(img, knee, width * 0.55f, col * 0.8f);
}

void drawCloth(Image& img, V2 c, float rx, float ry, float dim) {
  // A round of gingham seen at a slant: checks squashed vertically.
  paintShape(
      img, c.x - rx, c.y - ry, c.x + rx, c.y + ry,
      [&](float x, float y) {
        return sdEllipse({x, y}, c, rx, ry, 0);
      },
      [&](float x, float y) {
        const float edge = length(V2{(x - c.x) / rx, (y - c.y) / ry});
        return gingham(x / 44, (y - c.y) / 15) * (dim * (1 - 0.35f * edge * edge));
      });
}

void drawConfetti(Image& img, Rng& rng, int count, float x0, float x1, float y1, float alpha) {
  const Rgb colours[6] = {hex(0xE8302A), hex(0x2A6FE8), hex(0x2AB04A),
                          hex(0xD83AC8), hex(0xFFFFFF), hex(0x20C0D0)};
  for (int k = 0; k < count; ++k) {
    const V2 c{rng.range(x0, x1), rng.range(10, y1)};
    const float a = rng.range(0, kPi), w = rng.range(4, 8), h = rng.range(2, 4);
    const V2 ex = rotate({w, 0}, a), ey = rotate({0, h}, a);
    fillPolygon(img, {c - ex - ey, c + ex - ey, c + ex + ey, c - ex + ey}, colours[k % 6], alpha);
  }
}

}  // namespace

Image makeWinPicture(const Image& earth) {
  Image img(kW, kH);
  const V2 sun{200, 250};
  // Sunburst behind the scene, fading to a calm warm gradient on the right.
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const V2 p{float(x) + 0.5f, float(y) + 0.5f};
      const float d = length(p - sun), a = std::atan2(p.y - sun.y, p.x - sun.x);
      Rgb c = mix(hex(0xFFF1A0), hex(0xF7A03C), smoothstep(40, 620, d));
      const float ray = smoothstep(0.3f, 0.7f, std::fabs(fract(a * 18 / (2 * kPi)) - 0.5f) * 2);
      c = mix(c, hex(0xFFFBD8), 0.45f * ray * smoothstep(560, 330, p.x) * smoothstep(10, 80, d));
      img.at(x, y) = c;
    }
  Rng rng(91);
  drawConfetti(img, rng, 26, 400, 768, float(kH) - 10, 0.35f);  // sparse and faint behind the text
  drawCloth(img, {195, 440}, 185, 52, 1.0f);
  // The squashed roach, flattened under the globe: a splat of goo, legs
  // splayed flat, the wing tips out on the left and the head with crossed-out
  // eyes on the right.
  paintShape(
      img, 20, 390, 380, 490,
      [&](float x, float y) {
        const float a = std::atan2(y - 440, x - 195);
        return sdEllipse({x, y}, {195, 440},
                         165 + 16 * noise2(std::cos(a) * 2, std::sin(a) * 2, 92), 34, 0);
      },
      solid(hex(0x4A4016)), 0.85f);
  const Rgb leg = hex(0x2E1406);
  for (int k = 0; k < 3; ++k) {
    const float x = 120.0f + 75.0f * float(k), lean = 18.0f * float(k - 1);
    drawLeg(img, {x, 425}, {x - 25 + lean, 402}, {x - 40 + 1.6f * lean, 388}, 7, leg);  // far side
    drawLeg(img, {x, 450}, {x - 28 + lean, 474}, {x - 46 + 1.6f * lean, 490}, 8, leg);  // near side
  }
  paintShape(
      img, 30, 410, 370, 470,
      [&](float x, float y) {
        return sdEllipse({x, y}, {200, 440}, 165, 24, 0);
      },
      [&](float x, float y) {
        const float ny = (y - 440) / 24;
        Rgb c = mix(hex(0x8A3A14), hex(0x4A1A08), clamp01(0.5f + 0.6f * ny));
        if (x > 300)
          c = mix(c, hex(0xC89A5A), 0.6f * smoothstep(0.3f, 0.8f, std::fabs(ny)));  // shield margin
        return c;
      });
  strokeLine(img, {40, 440}, {290, 440}, 2.5f, hex(0x1E0A04));  // wing seam
  fillEllipse(img, {372, 440}, 20, 15, 0, hex(0x4A200C));       // head
  for (float s : {-1.0f, 1.0f}) {
    const V2 e{376, 440 + 7 * s};
    strokeLine(img, e - V2{4, 4}, e + V2{4, 4}, 2.4f, hex(0xFFF0D0));  // crossed-out eyes
    strokeLine(img, e - V2{4, -4}, e + V2{4, -4}, 2.4f, hex(0xFFF0D0));
  }
  strokePath(img, {{388, 434}, {430, 404}, {470, 400}, {495, 412}}, 3, leg);  // limp feelers
  strokePath(img, {{390, 446}, {425, 470}, {470, 478}}, 3, leg);
  drawConfetti(img, rng, 70, 10, 390, 370, 1.0f);  // the globe will hide those behind it
  fillEllipse(img, {200, 430}, 105, 16, 0, hex(0x1A1004), 0.4f);  // globe shadow
  drawGlobe(img, earth, {200, 298}, 128, 1.2f);
  // Golden stars around the champion.
  const Rgb gold = hex(0xFFC81E), goldEdge = hex(0xB87A08);
  const V2 stars[5] = {{60, 95}, {340, 80}, {360, 240}, {38, 270}, {200, 48}};
  for (int k = 0; k < 5; ++k) {
    const float r = k == 4 ? 36.0f : 24.0f, turn = 0.15f * float(k - 2);
    fillPolygon(img, starPoints(stars[k], r + 2.5f, (r + 2.5f) * 0.45f, 5, turn), goldEdge);
    // Bevelled: each arm has a lit and a shaded half.
    const std::vector<V2> pts = starPoints(stars[k], r, r * 0.45f, 5, turn);
    for (size_t i = 0; i < pts.size(); i += 2) {
      const V2 tip = pts[i], before = pts[(i + pts.size() - 1) % pts.size()], after = pts[i + 1];
      fillPolygon(img, {stars[k], before, tip}, gold);
      fillPolygon(img, {stars[k], tip, after}, goldEdge * 0.6f + gold * 0.4f);
    }
  }
  return img;
}

Image makeLosePicture() {
  Image img(kW, kH);
  // Dull storm sky: dark blue-grey, clouds along the top.
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const float fx = float(x), fy = float(y);
      Rgb c = mix(hex(0x1C2233), hex(0x414B5C), fy / kH);
      const float cloud = fbm2(fx / 90, fy / 40, 4, 101) - (fy - 60) / 160;
      c = mix(c, hex(0x10131C), smoothstep(0.0f, 0.3f, cloud) * 0.7f);
      img.at(x, y) = c;
    }
  Rng rng(102);
  for (int k = 0; k < 260; ++k) {  // rain, lighter behind the text
    const V2 a{rng.range(-20, float(kW)), rng.range(-30, float(kH))};
    strokeLine(img, a, a + V2{-5, 22}, 1.3f, hex(0xA8B8CC), a.x < 390 ? 0.45f : 0.2f);
  }
  drawCloth(img, {195, 448}, 185, 50, 0.45f);
  // The cracked plate it dances on.
  fillEllipse(img, {195, 440}, 150, 36, 0, hex(0xC8CCD2));
  fillEllipse(img, {195, 440}, 112, 25, 0, hex(0xE4E8EC));
  strokePath(img, {{90, 430}, {130, 446}, {160, 436}, {185, 452}, {215, 441}, {240, 458}}, 2.2f,
             hex(0x303640));
  strokePath(img, {{160, 436}, {168, 418}}, 1.8f, hex(0x303640));
  strokePath(img, {{215, 441}, {232, 425}, {258, 428}}, 1.8f, hex(0x303640));
  // The roach, standing tall and grinning.
  const V2 body{195, 285};
  const Rgb brown = hex(0x6E2E0E), dark = hex(0x2A1006), limb = hex(0x3C1A08);
  for (float s : {-1.0f, 1.0f}) {
    drawLeg(img, body + V2{55 * s, 70}, body + V2{105 * s, 110}, body + V2{88 * s, 155}, 11,
            limb);  // hind legs
    drawLeg(img, body + V2{62 * s, 15}, body + V2{120 * s, 20}, body + V2{128 * s, 75}, 10,
            limb);  // middle legs
  }
  drawLeg(img, body + V2{-55, -60}, body + V2{-118, -50}, body + V2{-78, -18}, 10,
          limb);  // arm on the hip
  fillEllipse(img, body + V2{-74, -18}, 9, 7, 0, limb);
  paintShape(
      img, body.x - 82, body.y - 132, body.x + 82, body.y + 132,
      [&](float x, float y) {
        return sdEllipse({x, y}, body, 80, 130, 0);
      },
      [&](float x, float y) {
        const float nx = (x - body.x) / 80, ny = (y - body.y) / 130,
                    rim = std::sqrt(nx * nx + ny * ny);
        Rgb c = mix(hex(0xA04A1A), brown, smoothstep(-0.6f, 0.6f, nx + 0.3f * ny)) *
                (1 - 0.5f * rim * rim * rim);
        const float hl =
            std::exp(-((nx + 0.45f) * (nx + 0.45f) / 0.02f + (ny + 0.05f) * (ny + 0.05f) / 0.15f));
        return mix(c, hex(0xFFE0C0), 0.5f * hl);
      });
  strokeLine(img, body + V2{2, -60}, body + V2{-4, 126}, 3, dark);  // wing seam
  // Shield: pale rim around a dark blotch.
  fillEllipse(img, body + V2{0, -105}, 78, 46, 0, hex(0xC89050));
  fillEllipse(img, body + V2{0, -100}, 64, 36, 0, hex(0x6A2A0C));
  fillEllipse(img, body + V2{-24, -108}, 20, 9, -0.3f, hex(0xE8B890), 0.45f);
  // Head with a cheeky face.
  const V2 head = body + V2{0, -168};
  for (float s : {-1.0f, 1.0f})  // feelers
    strokePath(img,
               {head + V2{12 * s, -30}, head + V2{40 * s, -75}, head + V2{95 * s, -100},
                head + V2{150 * s, -95}},
               4, limb);
  fillCircle(img, head, 46, hex(0x7A3814));
  fillCircle(img, head - V2{14, 16}, 14, hex(0xA8643A), 0.5f);
  for (float s : {-1.0f, 1.0f}) {
    fillCircle(img, head + V2{19 * s, -12}, 15, hex(0xFFFFFF));
    fillCircle(img, head + V2{19 * s + 3, -9}, 7, hex(0x101010));
    fillCircle(img, head + V2{19 * s + 1, -12}, 2.2f, hex(0xFFFFFF));
    strokeLine(img, head + V2{8 * s, -30}, head + V2{32 * s, -36 + 6 * s}, 4, dark);  // cocky brows
  }
  // Wide grin with teeth.
  std::vector<V2> grin;
  for (int k = 0; k <= 12; ++k) {
    const float a = kPi * (0.12f + 0.76f * float(k) / 12);
    grin.push_back(head + V2{-30 * std::cos(a), 6 + 24 * std::sin(a)});
  }
  grin.push_back(head + V2{26, 8});
  fillPolygon(img, grin, hex(0x3A0A08));
  fillPolygon(img, {head + V2{-22, 10}, head + V2{22, 10}, head + V2{18, 18}, head + V2{-18, 18}},
              hex(0xFFFFF0));
  for (int k = -1; k <= 1; ++k)
    strokeLine(img, head + V2{8.0f * float(k), 10}, head + V2{8.0f * float(k), 18}, 1.2f,
               hex(0xA09080));
  // Thumbing its nose: the right arm up to the face, fingers spread and waggling.
  drawLeg(img, body + V2{58, -60}, body + V2{118, -110}, head + V2{18, 12}, 10, limb);
  const V2 hand = head + V2{34, 4};
  for (int k = 0; k < 4; ++k) {
    const float a = -0.9f + 0.45f * float(k);
    fillEllipse(img, hand + rotate({20, 0}, a), 12, 4.5f, a, limb);
  }
  fillCircle(img, head + V2{18, 6}, 10, limb);
  fillCircle(img, hand, 9, limb);
  for (int k = 0; k < 3; ++k) {  // waggle marks
    const float a = -0.8f + 0.4f * float(k);
    strokeLine(img, hand + rotate({38, 0}, a), hand + rotate({50, 0}, a), 3, hex(0xE8ECF0), 0.8f);
  }
  return img;
}

}  // namespace gen
