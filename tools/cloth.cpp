#include "cloth.h"

namespace gen {

float stripe(float t, float soft) {
  const float d = std::fabs(fract(t) - 0.5f);
  return smoothstep(0.25f + soft, 0.25f - soft, d);
}

Rgb gingham(float x, float y) {
  const Rgb white = hex(0xF7F2E8), red = hex(0xB81F26);
  const float a = stripe(x, 0.02f), b = stripe(y, 0.02f);
  const Rgb single = mix(white, red, 0.5f);
  return white * ((1 - a) * (1 - b)) + single * (a * (1 - b) + b * (1 - a)) + red * (a * b);
}

// The top covers the whole table top in the lower kLinenTopRows rows, so the
// pattern is computed in table units and the hem lands exactly on the
// play-area edge. The rows above are the apron's dark strip.
constexpr float kCheck = 32.0f;  // one gingham period in table units

LinenRows::LinenRows() {
  for (int i = 0; i < kLinenW; ++i) {
    Column& c = columns_[i];
    c.x = -kTableHalfX + 2 * kTableHalfX * (float(i) + 0.5f) / kLinenW;
    // Weave: plain over-under of single threads, each thread with its own
    // shade (slubs), kept subtle so it does not shimmer when tilted.
    c.warp = (hashUnit(i, 0, 0, 11) - 0.5f) * 0.05f;
    c.checkX = c.x / kCheck + 0.25f;
    // Hand-cut cloth: stripes wander a little.
    c.wanderY = 0.02f * noise2(c.x * 0.02f, 5.0f, 14);
    c.shadeX = c.x / 70;
  }
}

void LinenRows::row(int row, Rgb* out) const {
  const int vb = kLinenH - 1 - row;  // row counted from the bottom
  const float weft = (hashUnit(0, vb, 0, 12) - 0.5f) * 0.05f;
  auto weave = [&](int i) {
    const bool warpUp = ((i + vb) & 1) != 0;
    return 1.0f + (warpUp ? columns_[i].warp + 0.02f : weft - 0.02f);
  };
  if (vb >= kLinenTopRows) {
    const float s =
        (float(vb - kLinenTopRows) + 0.5f) / float(kLinenH - kLinenTopRows);  // 1 = table edge
    for (int i = 0; i < kLinenW; ++i)
      out[i] = gingham(columns_[i].x / kCheck, s * 1.1f) * ((0.22f + 0.2f * s) * weave(i));
    return;
  }
  const float y = -kTableHalfY + 2 * kTableHalfY * (float(vb) + 0.5f) / kLinenTopRows;
  const float wanderX = 0.02f * noise2(y * 0.02f, 3.0f, 13);
  const float checkY = y / kCheck + 0.25f, shadeY = y / 70;
  const float dy = kPlayHalfY - std::fabs(y);
  Fbm2Run shade(3, 15);
  for (int i = 0; i < kLinenW; ++i) {
    const Column& col = columns_[i];
    const float x = col.x;
    const float gx = col.checkX + wanderX, gy = checkY + col.wanderY;
    Rgb c = gingham(gx, gy) * (1.0f + 0.035f * shade(col.shadeX, shadeY));
    // Hem: a solid red band inside the play edge with two rows of
    // stitches and a cream piping right on the edge; beyond it the cloth
    // falls away into shadow.
    const float dx = kPlayHalfX - std::fabs(x), d = std::min(dx, dy);
    const float texel = 0.6f;  // about one texel, for soft edges
    // Inside the hem both weights below are exactly 0, and so leave c as it is.
    if (d >= kHemWidth + texel) {
      out[i] = c * weave(i);
      continue;
    }
    const float along = dx < dy ? y : x;
    Rgb hem = hex(0x8E1119);
    const float dash = stripe(along / 4.0f, 0.05f);
    const float stitch = std::max(smoothstep(0.6f, 0.2f, std::fabs(d - 2.4f)),
                                  smoothstep(0.6f, 0.2f, std::fabs(d - (kHemWidth - 2.0f))));
    hem = mix(hem, hex(0xF3E6C8), stitch * dash);
    hem = mix(hem, hex(0xF6EBD2), smoothstep(1.4f, 1.4f - texel, d));  // piping
    Rgb outside = c * (0.42f - 0.16f * smoothstep(0.0f, 50.0f, -d));
    outside = mix(outside, hex(0x3A0A0C),
                  smoothstep(-1.0f, -3.0f, d) * smoothstep(-6.0f, -3.0f, d) * 0.5f);
    c = mix(c, hem, smoothstep(kHemWidth + texel, kHemWidth - texel, d));
    c = mix(c, outside, smoothstep(texel * 0.5f, -texel * 0.5f, d));
    out[i] = c * weave(i);
  }
}

}  // namespace gen
