// Sizes of the game's objects and the outlines that a mesh and its picture
// must share. Every number here follows from a distance or a placement the
// game code uses; the derivation is written next to each constant.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>

#include "raster.h"

namespace gen {

// ---- Table -------------------------------------------------------------
// The ball (radius 10) is drawn with its centre at z = 14, so it rests on a
// table top at z = 4.
constexpr float kTableTopZ = 4.0f;
// The table is drawn 430 in front of the eye with a 45 degree vertical field
// of view and aspect 1.5: at the top's depth about 265 x 177 is visible, and
// the full tilt (10 degrees on both axes) shows up to ~340 x 225 in the corners.
constexpr float kTableHalfX = 345.0f;
constexpr float kTableHalfY = 230.0f;
constexpr float kTableBottomZ = -30.0f;
// The round ends once the ball's centre passes |x| 235 or |y| 155: the hem.
constexpr float kPlayHalfX = 235.0f;
constexpr float kPlayHalfY = 155.0f;
constexpr float kHemWidth = 9.0f;
// linen.bmp: the top uses the lower kLinenTopRows rows, the rows above hold
// the darker strip that the apron is mapped to.
constexpr int kLinenW = 1024, kLinenH = 1024, kLinenTopRows = 960;
constexpr float kLinenTopV = float(kLinenTopRows) / float(kLinenH);

// ---- Ball --------------------------------------------------------------
// The rolling angle is distance / 10, so the radius is 10.
constexpr float kBallRadius = 10.0f;

// ---- Cup ---------------------------------------------------------------
// Ball and cup touch at a centre distance of 26: 26 - 10 = 16.
constexpr float kCupRadius = 16.0f;
constexpr float kCupWall = 2.5f;
// Props are drawn with their origin at z = 20, so the table top is model
// z 4 - 20 = -16; the mug is 24 tall.
constexpr float kPropBottomZ = kTableTopZ - 20.0f;
constexpr float kCupTopZ = 8.0f;
constexpr float kCoffeeZ = 0.0f;
// clay.bmp rows (v from the bottom): outer wall, rim, inner wall, coffee.
constexpr float kClayWallV1 = 0.25f, kClayRimV1 = 0.375f, kClayInnerV1 = 0.5f;

// ---- Pizza -------------------------------------------------------------
// Ball and pizza touch at 59: 59 - 10 = 49.
constexpr float kPizzaRadius = 49.0f;
// The cheese lies low (table z 7.5) so that a roach starting from the
// middle of the table, where the pizza stands, still shows above it.
constexpr float kPizzaCheeseZ = -12.5f;
constexpr float kPizzaCrustZ = -10.5f;
// pizza.bmp is a top view covering +-kPizzaTexHalf around the centre.
constexpr float kPizzaTexHalf = 50.0f;
constexpr float kCrustInner = 42.5f;

// ---- Roach -------------------------------------------------------------
// The legs attach at figure x 0..1 (second side) and 9.6..11.5 (first
// side), so the midline is at figure x ~5.4; the body is drawn at scale
// 1.5, which puts its midline at model x 3.6.
constexpr float kBodyMidX = 3.6f;
constexpr float kBodyRearY = -5.5f;  // figure -8.25
constexpr float kBodyFrontY = 7.3f;  // figure 10.95, just behind the antennae
constexpr float kBodyHalfWidth = 3.0f;
// b_skin.bmp is a top view of the body over this model rectangle.
constexpr float kSkinX0 = kBodyMidX - 3.3f, kSkinX1 = kBodyMidX + 3.3f;
constexpr float kSkinY0 = -5.7f, kSkinY1 = 7.5f;

// The body outline, seen from above, is the union of three lobes in
// (t, x) with t = 0 at the tail and 1 at the head tip: the folded wings, the
// shield (pronotum) lapping over their front, and the small head before it.
struct Lobe {
  float centre, halfLength, halfWidth, power;
  // Half-width at t (0 outside), and whether (t, x) lies inside.
  float width(float t) const {
    const float s = std::fabs(t - centre) / halfLength;
    return s >= 1 ? 0.0f : halfWidth * std::pow(1 - std::pow(s, power), 1 / power);
  }
  bool contains(float t, float x) const {
    return std::pow(std::fabs(t - centre) / halfLength, power) +
               std::pow(std::fabs(x) / halfWidth, power) <=
           1;
  }
};
constexpr Lobe kWings{0.36f, 0.36f, 3.0f, 2.6f}, kShield{0.745f, 0.16f, 2.85f, 2.2f},
    kHead{0.945f, 0.055f, 1.15f, 2.0f};
constexpr float kHeadT = kShield.centre + kShield.halfLength;  // where the head shows in front

// Half-width of the body at t, in model units.
inline float roachHalfWidth(float t) {
  return std::max({kWings.width(t), kShield.width(t), kHead.width(t)});
}

// ---- Squash spot -------------------------------------------------------
// A splat about the roach's size (drawn at scale up to 1.0): radius ~14.
constexpr float kSpotTexHalf = 18.0f;
float spotRadius(float theta);  // outline radius at an angle, model units
struct Droplet {
  float x, y, r;
};
constexpr int kDroplets = 6;
std::array<Droplet, kDroplets> spotDroplets();

}  // namespace gen
