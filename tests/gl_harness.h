// A real OpenGL context on SDL's offscreen driver (Mesa's software renderer),
// made once per test program, with the game's fixed GL state.
#pragma once

#include <unistd.h>

#include <array>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/gl.h"

namespace tt {

// Opens the offscreen window and context on first use; later calls reuse them.
// Aborts the test program if no context can be made.
void ensureGlContext();
// Puts back the fixed state (projection, modelview identity, texturing) that
// a test may have changed.
void resetGlState();

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};
// Reads the drawn frame at window pixel (x, y), y counted from the bottom.
Rgb readPixel(int x, int y);

struct Corner {
  float x, y, z, s, t;  // eye position and texture coordinate
};
using Polygons = std::vector<std::vector<Corner>>;
// The corners of every polygon `draw` sends, caught in feedback mode under a projection of one
// unit per pixel whose lower left is eye (left, bottom); eye z from -1000 to 1000 comes back.
// The projection stays so; resetGlState puts the fixed one back.
Polygons capture(const std::function<void()>& draw, float left = 0, float bottom = 0);

// A line of bitmap-font text read back from the glyph squares among `drawn`: each character as
// its texture cell shows it, the line's start (the first glyph's left edge in its own frame),
// bottom, depth and size in eye units, and which way along x it runs (-1 when turned to be read
// from behind).
struct TextLine {
  std::string text;
  float size, x, y, z;
  int dir;
  bool operator==(const TextLine&) const;
};
std::vector<TextLine> readText(const Polygons& drawn);
std::ostream& operator<<(std::ostream& out, const TextLine& line);

// Every sound the player is asked for while one lives: image and flags.
using Plays = std::vector<std::pair<const uint8_t*, unsigned>>;
struct SoundLog {
  Plays plays;
  SoundLog();
  ~SoundLog();
};

// Absolute path of the generated data folder.
std::string dataDir();

// Runs fn with the working directory switched to dir.
template <typename Fn>
void inDirectory(const std::string& dir, Fn&& fn) {
  char old[4096];
  const bool saved = getcwd(old, sizeof old) != nullptr;
  if (chdir(dir.c_str()) != 0) return;
  fn();
  if (saved && chdir(old) != 0) return;
}

}  // namespace tt
