// Meshes. Positions are stored as the game draws them: x right, y up the
// screen, z toward the viewer. There is no lighting, so surfaces seen edge-on
// (sides, walls) take darker strips of their textures.
#include "art.h"
#include "shapes.h"

namespace gen {
namespace {

constexpr float kTwoPi = 2.0f * kPi;

// A ribbon along a path of (x, y, z, width) points, for legs and antennae.
// u runs along the path (0 at the root), v across it. With three vertices
// across, the middle one is raised so the limb is a shallow ridge.
void ribbon(MeshData& m, const std::vector<std::array<float, 4>>& path, int across, bool mirrored) {
  std::vector<float> along(path.size(), 0.0f);
  for (size_t i = 1; i < path.size(); ++i)
    along[i] = along[i - 1] + std::hypot(path[i][0] - path[i - 1][0], path[i][1] - path[i - 1][1]);
  const uint16_t first = uint16_t(m.pos.size());
  for (size_t i = 0; i < path.size(); ++i) {
    const auto& a = path[i == 0 ? 0 : i - 1];
    const auto& b = path[i + 1 == path.size() ? i : i + 1];
    float tx = b[0] - a[0], ty = b[1] - a[1];
    const float len = std::hypot(tx, ty);
    tx /= len, ty /= len;
    for (int j = 0; j < across; ++j) {
      const float c = -1.0f + 2.0f * float(j) / float(across - 1);
      const float half = 0.5f * path[i][3];
      const float x = path[i][0] - ty * c * half, y = path[i][1] + tx * c * half;
      const float z = path[i][2] + (across == 3 && j == 1 ? 0.3f * half : 0.0f);
      const float v = 0.06f + 0.88f * float(j) / float(across - 1);
      m.vertex(mirrored ? -x : x, y, z, 0.02f + 0.96f * along[i] / along.back(), v);
    }
  }
  for (size_t i = 0; i + 1 < path.size(); ++i)
    for (int j = 0; j + 1 < across; ++j) {
      const uint16_t p = uint16_t(first + i * size_t(across) + size_t(j)), q = uint16_t(p + across);
      // Mirroring flips the winding; swap back so every face keeps one sense.
      if (mirrored)
        m.quad(p, q, uint16_t(q + 1), uint16_t(p + 1));
      else
        m.quad(p, uint16_t(p + 1), uint16_t(q + 1), q);
    }
}

// A ring of n + 1 vertices (the seam doubled for the texture's wrap).
uint16_t ring(MeshData& m, int n, float r, float z, float v, float u0 = 0.0f, float u1 = 1.0f) {
  const uint16_t first = uint16_t(m.pos.size());
  for (int k = 0; k <= n; ++k) {
    const float a = kTwoPi * float(k) / float(n);
    m.vertex(r * std::cos(a), r * std::sin(a), z, u0 + (u1 - u0) * float(k) / float(n), v);
  }
  return first;
}

void joinRings(MeshData& m, uint16_t lower, uint16_t upper, int n) {
  for (int k = 0; k < n; ++k)
    m.quad(uint16_t(lower + k), uint16_t(lower + k + 1), uint16_t(upper + k + 1),
           uint16_t(upper + k));
}

}  // namespace

MeshData makeTableMesh() {
  MeshData m{"table", {}, {}, {}};
  // The top is a grid rather than one quad so that a renderer without
  // perspective-correct texturing still keeps the hem straight.
  constexpr int nx = 6, ny = 4;
  for (int j = 0; j <= ny; ++j)
    for (int i = 0; i <= nx; ++i) {
      const float s = float(i) / nx, t = float(j) / ny;
      m.vertex(-kTableHalfX + 2 * kTableHalfX * s, -kTableHalfY + 2 * kTableHalfY * t, kTableTopZ,
               s, t * kLinenTopV);
    }
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const uint16_t a = uint16_t(j * (nx + 1) + i);
      m.quad(a, uint16_t(a + 1), uint16_t(a + nx + 2), uint16_t(a + nx + 1));
    }
  // The apron: the cloth hanging over the four edges, flaring out a little,
  // mapped to the dark strip above the top's rows (half a texel inset).
  const float vTop = 1.0f - 1.0f / kLinenH, vLow = kLinenTopV + 1.0f / kLinenH, flare = 8.0f;
  const float cx[4] = {-1, 1, 1, -1}, cy[4] = {-1, -1, 1, 1};
  for (int e = 0; e < 4; ++e) {
    const int f = (e + 1) % 4;
    const float span = (e % 2 == 0) ? 2 * kTableHalfX : 2 * kTableHalfY;
    const float uScale = span / (2 * kTableHalfX);
    const uint16_t a = m.vertex(cx[e] * kTableHalfX, cy[e] * kTableHalfY, kTableTopZ, 0, vTop);
    const uint16_t b = m.vertex(cx[f] * kTableHalfX, cy[f] * kTableHalfY, kTableTopZ, uScale, vTop);
    const uint16_t c = m.vertex(cx[f] * (kTableHalfX + flare), cy[f] * (kTableHalfY + flare),
                                kTableBottomZ, uScale, vLow);
    const uint16_t d = m.vertex(cx[e] * (kTableHalfX + flare), cy[e] * (kTableHalfY + flare),
                                kTableBottomZ, 0, vLow);
    m.quad(a, d, c, b);
  }
  return m;
}

MeshData makeSphereMesh() {
  // 20 slices x 12 stacks: 21 x 13 = 273 vertices, 440 faces. The poles lie
  // on the y axis so the globe first shows its equator to the viewer; u is
  // the longitude and v the latitude of an equirectangular map.
  MeshData m{"sphere", {}, {}, {}};
  constexpr int slices = 20, stacks = 12;
  for (int s = 0; s <= stacks; ++s)
    for (int k = 0; k <= slices; ++k) {
      const float lat = -0.5f * kPi + kPi * float(s) / stacks, lon = kTwoPi * float(k) / slices;
      const bool pole = s == 0 || s == stacks;
      // A pole vertex takes the middle of its slice so that triangle keeps its texture.
      const float u = (float(k) + (pole ? 0.5f : 0.0f)) / slices;
      m.vertex(kBallRadius * std::cos(lat) * std::sin(lon), kBallRadius * std::sin(lat),
               kBallRadius * std::cos(lat) * std::cos(lon), u, float(s) / stacks);
    }
  for (int s = 0; s < stacks; ++s)
    for (int k = 0; k < slices; ++k) {
      const uint16_t a = uint16_t(s * (slices + 1) + k), b = uint16_t(a + 1);
      const uint16_t d = uint16_t(a + slices + 1), c = uint16_t(d + 1);
      if (s == 0)
        m.tri(a, c, d);
      else if (s == stacks - 1)
        m.tri(a, b, d);
      else
        m.quad(a, b, c, d);
    }
  return m;
}

MeshData makeCupMesh() {
  MeshData m{"cup", {}, {}, {}};
  constexpr int n = 24;
  const float rOut = kCupRadius, rIn = kCupRadius - kCupWall, lip = kCupTopZ - 0.7f;
  // Outer wall, foot to lip.
  const uint16_t foot = ring(m, n, rOut, kPropBottomZ, 0.01f);
  const uint16_t wallTop = ring(m, n, rOut, lip, kClayWallV1 - 0.01f);
  joinRings(m, foot, wallTop, n);
  // Rounded rim.
  const uint16_t rimOut = ring(m, n, rOut, lip, kClayWallV1 + 0.01f);
  const uint16_t rimMid =
      ring(m, n, 0.5f * (rOut + rIn), kCupTopZ, 0.5f * (kClayWallV1 + kClayRimV1));
  const uint16_t rimIn = ring(m, n, rIn, lip, kClayRimV1 - 0.01f);
  joinRings(m, rimOut, rimMid, n);
  joinRings(m, rimMid, rimIn, n);
  // Inner wall, down to the coffee.
  const uint16_t innerTop = ring(m, n, rIn, lip, kClayInnerV1 - 0.01f);
  const uint16_t innerLow = ring(m, n, rIn, kCoffeeZ, kClayRimV1 + 0.01f);
  joinRings(m, innerLow, innerTop, n);
  // Coffee: a disc mapped onto the round picture in the top half of clay.bmp.
  const float coffeeR = 0.22f;
  const uint16_t centre = m.vertex(0, 0, kCoffeeZ, 0.5f, 0.75f);
  for (int k = 0; k < n; ++k) {
    const float a = kTwoPi * float(k) / n;
    m.vertex(rIn * std::cos(a), rIn * std::sin(a), kCoffeeZ, 0.5f + coffeeR * std::cos(a),
             0.75f + coffeeR * std::sin(a));
  }
  for (int k = 0; k < n; ++k)
    m.tri(centre, uint16_t(centre + 1 + k), uint16_t(centre + 1 + (k + 1) % n));
  // Handle on the +x side: a half loop in the x-z plane, both ends buried in
  // the wall, reaching out to x ~21.5 (a little beyond the radius 16).
  constexpr int along = 8, around = 6;
  const float cx = kCupRadius - 1.0f, cz = -4.5f, ax = 5.0f, az = 6.5f, tube = 1.6f;
  const uint16_t h0 = uint16_t(m.pos.size());
  for (int i = 0; i <= along; ++i) {
    const float psi = -0.5f * kPi + kPi * float(i) / along;
    const float px = cx + ax * std::cos(psi), pz = cz + az * std::sin(psi);
    float tx = -ax * std::sin(psi), tz = az * std::cos(psi);
    const float tl = std::hypot(tx, tz);
    tx /= tl, tz /= tl;
    for (int j = 0; j <= around; ++j) {
      const float beta = kTwoPi * float(j) / around;
      // Cross-section in the plane spanned by the in-plane normal and y.
      const float nx = tz * std::cos(beta), nz = -tx * std::cos(beta), ny = std::sin(beta);
      m.vertex(px + tube * nx, tube * ny, pz + tube * nz, 0.5f * float(i) / along,
               0.03f + (kClayWallV1 - 0.06f) * float(j) / around);
    }
  }
  for (int i = 0; i < along; ++i)
    for (int j = 0; j < around; ++j) {
      const uint16_t a = uint16_t(h0 + i * (around + 1) + j);
      m.quad(a, uint16_t(a + around + 1), uint16_t(a + around + 2), uint16_t(a + 1));
    }
  return m;
}

MeshData makePizzaMesh() {
  MeshData m{"pizza", {}, {}, {}};
  constexpr int n = 32;
  auto planar = [](float x, float y, float z, MeshData& mm) {
    return mm.vertex(x, y, z, 0.5f + x / (2 * kPizzaTexHalf), 0.5f + y / (2 * kPizzaTexHalf));
  };
  // Radius and height of each ring: flat cheese, then the raised crust.
  const float radius[5] = {18.0f, 36.0f, kCrustInner, 46.0f, kPizzaRadius};
  const float height[5] = {kPizzaCheeseZ, kPizzaCheeseZ, kPizzaCheeseZ + 0.2f, kPizzaCrustZ,
                           -11.6f};
  const uint16_t centre = planar(0, 0, kPizzaCheeseZ, m);
  for (int r = 0; r < 5; ++r)
    for (int k = 0; k < n; ++k) {
      const float a = kTwoPi * float(k) / n;
      planar(radius[r] * std::cos(a), radius[r] * std::sin(a), height[r], m);
    }
  for (int k = 0; k < n; ++k) m.tri(centre, uint16_t(1 + k), uint16_t(1 + (k + 1) % n));
  for (int r = 0; r < 4; ++r)
    for (int k = 0; k < n; ++k) {
      const uint16_t a = uint16_t(1 + r * n + k), b = uint16_t(1 + r * n + (k + 1) % n);
      m.quad(a, b, uint16_t(b + n), uint16_t(a + n));
    }
  // Side: the dark crust gradient painted in the picture's corner, outside the pie.
  const uint16_t top = uint16_t(m.pos.size());
  for (int k = 0; k < n; ++k) {
    const float a = kTwoPi * float(k) / n;
    m.vertex(kPizzaRadius * std::cos(a), kPizzaRadius * std::sin(a), -11.6f, 0.06f, 0.10f);
  }
  for (int k = 0; k < n; ++k) {
    const float a = kTwoPi * float(k) / n;
    m.vertex(kPizzaRadius * std::cos(a), kPizzaRadius * std::sin(a), kPropBottomZ, 0.06f, 0.02f);
  }
  for (int k = 0; k < n; ++k) {
    const int k1 = (k + 1) % n;
    m.quad(uint16_t(top + n + k), uint16_t(top + n + k1), uint16_t(top + k1), uint16_t(top + k));
  }
  return m;
}

MeshData makeBodyMesh() {
  // A lofted dome: stations along y, each a half-ellipse across x, mapped
  // by a planar top view onto b_skin.bmp. Drawn at scale 1.5.
  MeshData m{"body", {}, {}, {}};
  constexpr int stations = 22, across = 9;
  for (int i = 0; i < stations; ++i) {
    const float t = 0.5f - 0.5f * std::cos(kPi * float(i) / (stations - 1));  // denser at the ends
    const float y = kBodyRearY + t * (kBodyFrontY - kBodyRearY), w = roachHalfWidth(t);
    const float h = 1.9f * std::sqrt(w / kBodyHalfWidth) * (t > kHeadT ? 0.75f : 1.0f);
    for (int k = 0; k < across; ++k) {
      const float c = -std::cos(kPi * float(k) / (across - 1));
      const float x = kBodyMidX + c * w, z = 0.25f + h * std::sqrt(std::max(0.0f, 1 - c * c));
      m.vertex(x, y, z, (x - kSkinX0) / (kSkinX1 - kSkinX0), (y - kSkinY0) / (kSkinY1 - kSkinY0));
    }
  }
  for (int i = 0; i + 1 < stations; ++i)
    for (int k = 0; k + 1 < across; ++k) {
      const uint16_t a = uint16_t(i * across + k);
      m.quad(a, uint16_t(a + 1), uint16_t(a + across + 1), uint16_t(a + across));
    }
  return m;
}

MeshData makeAntennaMesh() {
  // Drawn at scale 1.7 from figure (5.1, 11.9): the model origin sits just in
  // front of the head on the midline (model x ~0.2); both feelers start
  // inside the head and sweep forward and out, about 8 units long.
  MeshData m{"antenna", {}, {}, {}};
  const float mid = 0.2f;
  std::vector<std::array<float, 4>> right = {
      {0.35f, -0.9f, 1.0f, 0.40f}, {0.65f, 0.6f, 1.1f, 0.36f},  {1.15f, 2.2f, 1.15f, 0.32f},
      {1.85f, 3.8f, 1.1f, 0.28f},  {2.65f, 5.2f, 1.05f, 0.24f}, {3.35f, 6.3f, 1.0f, 0.2f},
      {3.9f, 7.0f, 0.95f, 0.14f}};
  std::vector<std::array<float, 4>> left;
  // The left feeler spreads a little less and reaches a little further:
  // real ones are never an exact pair.
  for (const auto& p : right) left.push_back({mid - 0.92f * p[0], 1.04f * p[1], p[2], p[3]});
  for (auto& p : right) p[0] += mid;
  ribbon(m, right, 2, false);
  ribbon(m, left, 2, false);
  return m;
}

MeshData makeLegMesh(bool mirrored) {
  // Starts tucked under the body edge at the model origin and reaches out
  // ~4.4 units: thigh slightly forward, then the shin bending back.
  MeshData m{mirrored ? "leg2" : "leg1", {}, {}, {}};
  ribbon(m,
         {{-0.6f, 0.05f, 1.25f, 0.56f},
          {0.3f, 0.2f, 1.2f, 0.55f},
          {1.1f, 0.4f, 1.1f, 0.5f},
          {2.0f, 0.45f, 1.0f, 0.42f},
          {2.7f, 0.05f, 0.9f, 0.34f},
          {3.4f, -0.45f, 0.8f, 0.26f},
          {4.0f, -0.9f, 0.7f, 0.17f},
          {4.4f, -1.2f, 0.65f, 0.09f}},
         3, mirrored);
  return m;
}

MeshData makeSpotMesh() {
  // Flat splat at z = 0 whose outline follows spotRadius, planar-mapped onto
  // spot.bmp (+-18 units), plus a few droplets around it.
  MeshData m{"spot", {}, {}, {}};
  constexpr int n = 48;
  auto planar = [&m](float x, float y) {
    return m.vertex(x, y, 0, 0.5f + x / (2 * kSpotTexHalf), 0.5f + y / (2 * kSpotTexHalf));
  };
  const float rings[3] = {0.4f, 0.75f, 1.0f};
  const uint16_t centre = planar(0, 0);
  for (float f : rings)
    for (int k = 0; k < n; ++k) {
      const float a = kTwoPi * float(k) / n, r = f * spotRadius(a);
      planar(r * std::cos(a), r * std::sin(a));
    }
  for (int k = 0; k < n; ++k)
    m.tri(centre, uint16_t(centre + 1 + k), uint16_t(centre + 1 + (k + 1) % n));
  for (int r = 0; r < 2; ++r)
    for (int k = 0; k < n; ++k) {
      const uint16_t a = uint16_t(centre + 1 + r * n + k),
                     b = uint16_t(centre + 1 + r * n + (k + 1) % n);
      m.quad(a, b, uint16_t(b + n), uint16_t(a + n));
    }
  for (const Droplet& d : spotDroplets()) {
    const uint16_t c = planar(d.x, d.y);
    for (int k = 0; k < 8; ++k) {
      const float a = kTwoPi * float(k) / 8;
      planar(d.x + d.r * std::cos(a), d.y + d.r * std::sin(a));
    }
    for (int k = 0; k < 8; ++k) m.tri(c, uint16_t(c + 1 + k), uint16_t(c + 1 + (k + 1) % 8));
  }
  return m;
}

}  // namespace gen
