#include "shell/game_app.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "game/frames.h"
#include "game/world_state.h"
#include "platform/gl.h"
#include "platform/input.h"
#include "platform/platform.h"
#include "platform/sound.h"
#include "shell/main_loop.h"
#include "shell/render_context.h"
#include "shell/window_proc.h"

namespace shell {
namespace {

constexpr const char* kTitle = "Tabletumble v1.1";

std::string workingDirectory() {
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  return error ? std::string(".") : here.string();
}

// Why the game cannot go on, as one line on stderr and, since a program
// started from a desktop has no terminal to show it, in a message box too.
void tellCannotStart(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  platform::showErrorBox(kTitle, line.c_str());
}

// Names every data file the game cannot start without in one line, grouped
// by what is wrong; false when there is any.
bool checkDataFiles() {
  const std::vector<game::DataFileFault> faults = game::dataFileFaults("");
  if (faults.empty()) return true;
  using game::FileFault;
  struct Kind {
    FileFault fault;
    const char *one, *many;
  };
  static constexpr Kind kKinds[] = {
      {FileFault::kMissing, "missing data file ", "missing data files "},
      {FileFault::kEmpty, "empty data file ", "empty data files "},
      {FileFault::kFolder, "a folder in place of data file ", "folders in place of data files "},
      {FileFault::kUnreadable, "unreadable data file ", "unreadable data files "},
  };
  std::string line = "Tabletumble cannot start: ";
  for (const Kind& kind : kKinds) {
    std::vector<std::string> names;
    for (const game::DataFileFault& f : faults)
      if (f.fault == kind.fault) names.push_back(f.name);
    if (names.empty()) continue;
    if (line.back() != ' ') line += "; ";
    line += names.size() > 1 ? kind.many : kind.one;
    for (size_t i = 0; i < names.size(); ++i) line += (i ? ", " : "") + names[i];
  }
  tellCannotStart(line + " in " + workingDirectory());
  return false;
}

class GameHost final : public LoopHost {
 public:
  explicit GameHost(RenderContext& rc) : rc_(rc) {
    // TABLETUMBLE_FRAME_LOG names a file that gets a line per frame: its start
    // and the end of its buffer swap, in ms since the program started, for
    // measuring pacing and start-up from outside; the game plays the same.
    if (const char* path = std::getenv("TABLETUMBLE_FRAME_LOG")) frameLog_ = std::fopen(path, "w");
  }
  ~GameHost() override {
    if (frameLog_) std::fclose(frameLog_);
  }

  bool peekMessage(platform::Message& out) override { return platform::peekMessage(out); }
  void dispatchMessage(const platform::Message& message) override {
    platform::translateMessage(message);
    platform::dispatchMessage(message);
  }
  int32_t clock() override { return platform::clockMs(); }
  void waitForMessage(int timeoutMs) override {
    // The first wait follows the first frame: no frame of a round shows the
    // board's pictures, so they load here rather than before it. The loop
    // then looks at its clock again and waits out the rest.
    if (!boardPictures_) {
      loadBoardPictures();
      return;
    }
    platform::waitForMessage(timeoutMs);
  }
  void pollInput() override { platform::pollInput(); }
  void runFrame() override {
    const int32_t start = platform::clockMs();
    if (game::gWorld.playing == 1) {
      game::playFrame();
    } else {
      // A machine whose every frame takes 30 ms or more never waits.
      if (!boardPictures_) loadBoardPictures();
      game::gameOverFrame();
    }
    if (frameLog_) {
      std::fprintf(frameLog_, "%d %d\n", start, platform::clockMs());
      std::fflush(frameLog_);  // a watching script sees each frame as it ends
    }
  }
  void teardown() override {
    game::World& w = game::gWorld;
    glDeleteTextures(1, &w.fontTexture);
    glDeleteTextures(1, &w.winTexture);
    glDeleteTextures(1, &w.loseTexture);
    // The Models' textures go while the context is still current.
    game::releaseWorldTextures();
    releaseRenderContext(rc_.window, rc_.deviceContext, rc_.renderingContext);
    platform::destroyWindow(rc_.window);
  }

 private:
  void loadBoardPictures() {
    game::loadBoardPictures();
    boardPictures_ = true;
  }

  RenderContext& rc_;
  std::FILE* frameLog_ = nullptr;
  bool boardPictures_ = false;  // loaded: setUpWorld leaves them for the first wait
};

}  // namespace

int runGame() {
  const int32_t started = platform::clockMs();
  if (!platform::initVideo()) {
    // No display: nothing to play on. Stop quietly with status 0 after one line.
    std::fprintf(stderr, "Tabletumble cannot open a window: %s\n", platform::lastError());
    return 0;
  }
  if (!checkDataFiles()) {
    platform::shutdownVideo();
    return 1;
  }
  RenderContext rc;
  rc.window = platform::createWindow({kTitle, 50, 50, kClientWidth, kClientHeight, windowProc});
  if (!rc.window) {
    tellCannotStart(std::string("Tabletumble cannot open a window: ") + platform::lastError());
    platform::shutdownVideo();
    return 0;
  }
  game::gWorld.lastMouseX = game::kStartMouseX;
  game::gWorld.lastMouseY = game::kStartMouseY;
  platform::setCursorPos(game::kStartMouseX, game::kStartMouseY);
  platform::showWindow(rc.window, platform::startupShowCommand());
  createRenderContext(rc.window, rc.deviceContext, rc.renderingContext);
  if (!rc.renderingContext) {
    const std::string line =
        std::string("Tabletumble cannot make an OpenGL context: ") + platform::lastError();
    platform::destroyWindow(rc.window);
    tellCannotStart(line);
    platform::shutdownVideo();
    return 0;
  }
  setFixedGlState();
  if (!platform::openAudio())
    std::fprintf(stderr, "Tabletumble: no sound device, playing silently\n");

  game::setUpWorld(game::BoardPictures::kLater);
  platform::input::setTableReader(tableForInput);
  game::gFrame.deviceContext = rc.deviceContext;
  game::gFrame.squeakDirX = 1;
  game::gFrame.squeakDirY = 1;
  GameHost host(rc);
  FrameClock clock;
  // The first frame's 30 ms count from the program's start: it comes as soon
  // as the World is set up, not 30 ms later.
  const int status = runMainLoop(host, clock, started);
  platform::closeAudio();
  platform::shutdownVideo();
  return status;
}

}  // namespace shell
