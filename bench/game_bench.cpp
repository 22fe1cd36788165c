// Frame and loader costs on the offscreen context with the generated data.
// The frame budget is 30 ms; glFinish makes the software renderer's work count.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "assets/bmp.h"
#include "assets/mesh.h"
#include "assets/sound_clip.h"
#include "game/frames.h"
#include "game/world_state.h"
#include "platform/gl.h"
#include "platform/runtime.h"
#include "tests/gl_harness.h"

namespace {

const std::string kData = TT_DATA_DIR;

std::string dataPath(const char* name) { return kData + "/" + name; }

void setUpOnce() {
  static bool done = false;
  if (done) return;
  tt::ensureGlContext();
  tt::inDirectory(kData, [] { game::setUpWorld(); });
  done = true;
}

// Runs one kind of frame and reports its wall time as a percentage of the
// 30 ms budget; the renderer works on its own threads, so CPU time says little.
template <typename Frame>
void benchFrame(benchmark::State& state, Frame frame) {
  setUpOnce();
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    frame();
    glFinish();
  }
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  state.counters["percent_of_30ms"] = spent.count() / static_cast<double>(state.iterations()) / 0.3;
}

void BM_PlayFrame(benchmark::State& state) {
  benchFrame(state, [] {
    game::gWorld.playing = 1;
    game::gWorld.roundTimer = 3000;
    game::playFrame();
  });
}
BENCHMARK(BM_PlayFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GameOverFrame(benchmark::State& state) {
  game::gWorld.score = 3;
  benchFrame(state, [] {
    game::gWorld.spinAngle += 1.0f;
    game::gameOverFrame();
  });
}
BENCHMARK(BM_GameOverFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SetUpWorld(benchmark::State& state) {
  tt::ensureGlContext();
  for (auto _ : state) {
    tt::inDirectory(kData, [] { game::setUpWorld(); });
    game::releaseWorldTextures();
    glFinish();
  }
}
BENCHMARK(BM_SetUpWorld)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_Load3ds(benchmark::State& state) {
  auto mesh = std::make_unique<assets::Mesh>();
  const std::string path = dataPath("sphere.3ds");
  for (auto _ : state) benchmark::DoNotOptimize(mesh->load3ds(path.c_str()));
}
BENCHMARK(BM_Load3ds);

// Loads the picture at `path` into one texture name, again and again.
void benchLoadBmp(benchmark::State& state, const std::string& path) {
  tt::ensureGlContext();
  GLuint texture = 0;
  glGenTextures(1, &texture);
  for (auto _ : state) {
    assets::loadBmpTexture(path.c_str(), texture);
    glFinish();
  }
  glDeleteTextures(1, &texture);
}

// Earth is 256 x 128 as it is; the font's 640 x 640 are resampled to 512 x 512 first.
void BM_LoadBmpTexture(benchmark::State& state, const char* name) {
  benchLoadBmp(state, dataPath(name));
}
BENCHMARK_CAPTURE(BM_LoadBmpTexture, earth, "earth.bmp")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_LoadBmpTexture, font, "font.bmp")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A player's photo as the table cloth: 6000 x 4000 at 24 bits (72 MB), loaded
// as a 4096 x 4096 texture.
void BM_LoadCameraPicture(benchmark::State& state) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "tt_bench_camera.bmp").string();
  {
    constexpr uint32_t w = 6000, h = 4000, pixels = w * h * 3;
    const uint32_t header[13] = {0, 0, 54, 40, w, h, 1 | 24 << 16, 0, pixels, 0, 0, 0, 0};
    std::vector<char> file(54 + pixels);
    std::memcpy(file.data(), "BM", 2);
    std::memcpy(file.data() + 2, header, sizeof header);
    for (uint32_t i = 0; i < pixels; ++i) file[54 + i] = static_cast<char>(i * 7 / 3);
    std::ofstream(path, std::ios::binary).write(file.data(), std::streamsize(file.size()));
  }
  benchLoadBmp(state, path);
  std::remove(path.c_str());
}
BENCHMARK(BM_LoadCameraPicture)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_LoadSoundClip(benchmark::State& state) {
  const std::string path = dataPath("laugh.wav");
  for (auto _ : state) {
    assets::SoundClip clip = assets::loadSoundClip(path.c_str());
    assets::freeSoundClip(clip);
  }
}
BENCHMARK(BM_LoadSoundClip);

void BM_BallUpdate(benchmark::State& state) {
  setUpOnce();
  world::Ball& ball = game::gWorld.ball;
  for (auto _ : state) {
    ball.vx = 1.0f;
    ball.vy = 0.5f;
    ball.update(3.0f, -2.0f);
    benchmark::DoNotOptimize(ball.mesh.vertices[0][0]);
  }
  state.counters["vertices"] = ball.mesh.vertexCount;
}
BENCHMARK(BM_BallUpdate);

}  // namespace

BENCHMARK_MAIN();
