// The one set of game objects and variables, in static storage for the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assets/model.h"
#include "assets/sound_clip.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "world/ball.h"
#include "world/props.h"
#include "world/roach.h"

namespace game {

constexpr int32_t kRoundFrames = 3000;
constexpr int kCupCount = 4;
// The cursor is put here at start, and the first mouse move is measured from it.
constexpr int32_t kStartMouseX = 530;
constexpr int32_t kStartMouseY = 400;

struct World {
  int32_t roundTimer = kRoundFrames;  // frames left in the round
  int32_t playing = 1;                // 1 while a round is on, 0 on the game-over board
  int32_t score = 0;
  float tiltX = 0;      // degrees about x, -10..10
  float tiltY = 0;      // degrees about y, -10..10
  float spinAngle = 0;  // the game-over board's turn; only grows
  int32_t lastMouseX = 0;
  int32_t lastMouseY = 0;

  assets::Model table;
  world::Ball ball;
  world::Prop cups[kCupCount];
  world::Prop pizza;
  world::Roach roach;
  world::SquashSpot squashSpot;

  GLuint fontTexture = 0;
  GLuint loseTexture = 0;
  GLuint winTexture = 0;

  assets::SoundClip squashClip;
  assets::SoundClip beepClip;
  assets::SoundClip bumpClip;
  assets::SoundClip squeakxClip;
  assets::SoundClip squeakyClip;
  assets::SoundClip laughClip;
};

extern World gWorld;

// What the main loop keeps for the frames: never reset by a restart.
struct FrameLocals {
  int32_t squeakDirX = 1;  // which way tiltX must next cross +-5 to squeak
  int32_t squeakDirY = 1;
  char numberText[16] = {};
  platform::DeviceContext* deviceContext = nullptr;  // what the frames swap through
};

extern FrameLocals gFrame;

// Every data file the game reads from its working directory.
const std::vector<std::string>& dataFiles();

enum class FileFault { kMissing, kEmpty, kFolder, kUnreadable };
struct DataFileFault {
  std::string name;
  FileFault fault;
};
// The data files in `folder` that the game cannot start without, and why.
std::vector<DataFileFault> dataFileFaults(const std::string& folder);

enum class BoardPictures { kNow, kLater };
// Loads every data file and places every object. Needs a current context.
// A file the loaders cannot read, or read only in part, gets one line on
// stderr naming it and what is wrong. With kLater the game-over board's two
// pictures get their texture names but not yet their images: a third of the
// pixels the game loads, which no frame of a round shows, so the game reads
// them with loadBoardPictures in its first wait after the first frame.
void setUpWorld(BoardPictures pictures = BoardPictures::kNow);
void loadBoardPictures();
// Puts the round back to its start without loading anything.
void restartRound();
// Deletes the Models' textures, last member first; for teardown while the
// context is current.
void releaseWorldTextures();

}  // namespace game
