#include "raster.h"

namespace gen {

Rgb Image::sample(float u, float v) const {
  const float fx = fract(u) * float(w) - 0.5f;
  const float fy = std::clamp((1.0f - v) * float(h) - 0.5f, 0.0f, float(h - 1));
  const int x0 = int(std::floor(fx)), y0 = int(fy);
  const float tx = fx - float(x0), ty = fy - float(y0);
  const int xa = (x0 % w + w) % w, xb = (x0 + 1) % w, y1 = std::min(y0 + 1, h - 1);
  return mix(mix(at(xa, y0), at(xb, y0), tx), mix(at(xa, y1), at(xb, y1), tx), ty);
}

float sdSegment(V2 p, V2 a, V2 b) {
  const V2 pa = p - a, ba = b - a;
  const float den = dot(ba, ba);
  const float h = den > 0 ? std::clamp(dot(pa, ba) / den, 0.0f, 1.0f) : 0.0f;
  return length(pa - ba * h);
}

float sdEllipse(V2 p, V2 c, float rx, float ry, float angle) {
  const V2 q = rotate(p - c, -angle);
  const float k0 = std::sqrt((q.x / rx) * (q.x / rx) + (q.y / ry) * (q.y / ry));
  const float k1 =
      std::sqrt((q.x / (rx * rx)) * (q.x / (rx * rx)) + (q.y / (ry * ry)) * (q.y / (ry * ry)));
  if (k1 <= 0) return -std::min(rx, ry);
  return k0 * (k0 - 1.0f) / k1;
}

float sdPolygon(V2 p, const std::vector<V2>& v) {
  float d = dot(p - v[0], p - v[0]);
  float s = 1.0f;
  for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i) {
    const V2 e = v[j] - v[i], w = p - v[i];
    const V2 b = w - e * std::clamp(dot(w, e) / dot(e, e), 0.0f, 1.0f);
    d = std::min(d, dot(b, b));
    const bool c1 = p.y >= v[i].y, c2 = p.y<v[j].y, c3 = e.x * w.y> e.y * w.x;
    if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
  }
  return s * std::sqrt(d);
}

void fillCircle(Image& img, V2 c, float r, Rgb col, float alpha) {
  paintShape(
      img, c.x - r, c.y - r, c.x + r, c.y + r,
      [&](float x, float y) {
        return length(V2{x, y} - c) - r;
      },
      solid(col), alpha);
}

void fillEllipse(Image& img, V2 c, float rx, float ry, float angle, Rgb col, float alpha) {
  const float r = std::max(rx, ry);
  paintShape(
      img, c.x - r, c.y - r, c.x + r, c.y + r,
      [&](float x, float y) {
        return sdEllipse({x, y}, c, rx, ry, angle);
      },
      solid(col), alpha);
}

void fillPolygon(Image& img, const std::vector<V2>& pts, Rgb col, float alpha) {
  float x0 = pts[0].x, x1 = x0, y0 = pts[0].y, y1 = y0;
  for (const V2& p : pts) {
    x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  }
  paintShape(
      img, x0, y0, x1, y1,
      [&](float x, float y) {
        return sdPolygon({x, y}, pts);
      },
      solid(col), alpha);
}

void strokeLine(Image& img, V2 a, V2 b, float width, Rgb col, float alpha) {
  strokePath(img, {a, b}, width, col, alpha);
}

void strokePath(Image& img, const std::vector<V2>& pts, float width, Rgb col, float alpha) {
  float x0 = pts[0].x, x1 = x0, y0 = pts[0].y, y1 = y0;
  for (const V2& p : pts) {
    x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  }
  const float hw = width * 0.5f;
  // One distance for the whole path so that joints are not painted twice.
  paintShape(
      img, x0 - hw, y0 - hw, x1 + hw, y1 + hw,
      [&](float x, float y) {
        float d = 1e30f;
        for (size_t i = 1; i < pts.size(); ++i)
          d = std::min(d, sdSegment({x, y}, pts[i - 1], pts[i]));
        return d - hw;
      },
      solid(col), alpha);
}

std::vector<V2> starPoints(V2 c, float rOuter, float rInner, int points, float angle) {
  std::vector<V2> v;
  for (int i = 0; i < 2 * points; ++i) {
    const float a = angle + kPi * float(i) / float(points);
    const float r = (i % 2) ? rInner : rOuter;
    v.push_back({c.x + r * std::sin(a), c.y - r * std::cos(a)});
  }
  return v;
}

}  // namespace gen
