#include "game/world_state.h"

#include <cstdio>
#include <filesystem>
#include <set>

#include "assets/bmp.h"
#include "assets/report.h"
#include "platform/runtime.h"
#include "text/text.h"

namespace game {

World gWorld;
FrameLocals gFrame;

namespace {

int32_t draw() { return platform::nextRandom(); }

// Frees what a clip held before: tests set the World up many times in one run.
void reload(assets::SoundClip& clip, const char* path) {
  assets::freeSoundClip(clip);
  clip = assets::loadSoundClip(path);
}

void seedFromClock() { platform::seedRandom(static_cast<unsigned>(platform::calendarSeconds())); }

// Each file the loaders cannot read, or read only in part, as one line on
// stderr while `load` runs, once for a file read more than once (clay.bmp).
template <typename Load>
void tellingProblems(Load load) {
  std::set<std::string> told;
  assets::setProblemListener([&told](const char* path, const std::string& problem) {
    if (told.insert(path).second)
      std::fprintf(stderr, "Tabletumble: %s: %s\n", path, problem.c_str());
  });
  load();
  assets::setProblemListener(nullptr);
}

}  // namespace

const std::vector<std::string>& dataFiles() {
  static const std::vector<std::string> files = {
      "table.3ds", "linen.bmp", "sphere.3ds",  "earth.bmp",   "cup.3ds",
      "clay.bmp",  "pizza.3ds", "pizza.bmp",   "body.3ds",    "antenna.3ds",
      "leg1.3ds",  "leg2.3ds",  "b_skin.bmp",  "l_skin.bmp",  "spot.3ds",
      "spot.bmp",  "font.bmp",  "lose.bmp",    "win.bmp",     "squash.wav",
      "beep.wav",  "bump.wav",  "squeakx.wav", "squeaky.wav", "laugh.wav",
  };
  return files;
}

std::vector<DataFileFault> dataFileFaults(const std::string& folder) {
  std::vector<DataFileFault> faults;
  for (const std::string& name : dataFiles()) {
    const std::string path = folder.empty() ? name : folder + "/" + name;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
      faults.push_back({name, FileFault::kMissing});
    } else if (std::filesystem::is_directory(status)) {
      faults.push_back({name, FileFault::kFolder});
    } else if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
      if (std::fgetc(file) == EOF) faults.push_back({name, FileFault::kEmpty});
      std::fclose(file);
    } else {
      faults.push_back({name, FileFault::kUnreadable});
    }
  }
  return faults;
}

namespace {

void loadWorld(BoardPictures pictures) {
  World& w = gWorld;
  w.table.load("table.3ds", "linen.bmp");
  seedFromClock();
  w.ball.init("sphere.3ds", "earth.bmp", static_cast<float>(draw() % 100), -80.0f);
  // Each Prop init reseeds from the clock, so within one second these draws
  // restart one sequence: cups 0 and 2, and 1 and 3, stand mirrored.
  w.cups[0].init("cup.3ds", "clay.bmp", static_cast<float>(draw() % 20 + 110), 70.0f);
  w.cups[1].init("cup.3ds", "clay.bmp", static_cast<float>(draw() % 10 + 140), -42.0f);
  w.cups[2].init("cup.3ds", "clay.bmp", static_cast<float>(-110 - draw() % 20), -70.0f);
  w.cups[3].init("cup.3ds", "clay.bmp", static_cast<float>(-140 - draw() % 10), 40.0f);
  w.pizza.init("pizza.3ds", "pizza.bmp", 0.0f, 0.0f);
  w.roach.init("body.3ds", "antenna.3ds", "leg1.3ds", "leg2.3ds", "b_skin.bmp", "l_skin.bmp", 0.0f,
               0.0f, static_cast<float>(draw() % 360));
  w.squashSpot.init("spot.3ds", "spot.bmp");
  glGenTextures(1, &w.fontTexture);
  assets::loadBmpTexture("font.bmp", w.fontTexture);
  glGenTextures(1, &w.loseTexture);
  if (pictures == BoardPictures::kNow) assets::loadBmpTexture("lose.bmp", w.loseTexture);
  glGenTextures(1, &w.winTexture);
  if (pictures == BoardPictures::kNow) assets::loadBmpTexture("win.bmp", w.winTexture);
  reload(w.squashClip, "squash.wav");
  reload(w.beepClip, "beep.wav");
  reload(w.bumpClip, "bump.wav");
  reload(w.squeakxClip, "squeakx.wav");
  reload(w.squeakyClip, "squeaky.wav");
  reload(w.laughClip, "laugh.wav");
}

}  // namespace

void setUpWorld(BoardPictures pictures) {
  tellingProblems([pictures] { loadWorld(pictures); });
  World& w = gWorld;
  text::setFontTexture(w.fontTexture);
  w.ball.bumpClip = &w.bumpClip;
  w.squashSpot.squashClip = &w.squashClip;
}

void loadBoardPictures() {
  tellingProblems([] {
    assets::loadBmpTexture("lose.bmp", gWorld.loseTexture);
    assets::loadBmpTexture("win.bmp", gWorld.winTexture);
  });
}

void restartRound() {
  World& w = gWorld;
  w.roundTimer = kRoundFrames;
  w.playing = 1;
  w.score = 0;
  w.tiltX = 0.0f;
  w.tiltY = 0.0f;
  // Six draws from one seed, none in between: the cups are not mirrored now.
  seedFromClock();
  const int32_t ballDraw = draw();
  w.ball.y = -80.0f;
  w.ball.vx = 0.0f;
  w.ball.vy = 0.0f;
  w.ball.x = static_cast<float>(ballDraw % 100);
  w.cups[0].x = static_cast<float>(draw() % 20 + 110);
  w.cups[1].x = static_cast<float>(draw() % 10 + 140);
  w.cups[2].x = static_cast<float>(-110 - draw() % 20);
  w.cups[3].x = static_cast<float>(-140 - draw() % 10);
  w.roach.x = 0.0f;
  w.roach.y = 0.0f;
  w.roach.heading = static_cast<float>(draw() % 360);
  w.squashSpot.clear();
}

void releaseWorldTextures() {
  // The reverse of the World's member order, as their destructors would run.
  World& w = gWorld;
  w.squashSpot.releaseTexture();
  for (int i = world::kRoachParts - 1; i >= 0; --i) w.roach.parts[i].releaseTexture();
  w.pizza.releaseTexture();
  for (int i = kCupCount - 1; i >= 0; --i) w.cups[i].releaseTexture();
  w.ball.releaseTexture();
  w.table.releaseTexture();
}

}  // namespace game
