// Frame and loader costs on the offscreen context with the generated data.
// The frame budget is 30 ms; glFinish makes the software renderer's work count.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "assets/bmp.h"
#include "assets/mesh.h"
#include "assets/sound_clip.h"
#include "game/frames.h"
#include "game/world_state.h"
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

void reportBudget(benchmark::State& state) {
  state.counters["share_of_30ms_budget"] = benchmark::Counter(
      static_cast<double>(state.iterations()) / 0.030,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PlayFrame(benchmark::State& state) {
  setUpOnce();
  for (auto _ : state) {
    game::gWorld.playing = 1;
    game::gWorld.roundTimer = 3000;
    game::playFrame();
    glFinish();
  }
  reportBudget(state);
}
BENCHMARK(BM_PlayFrame)->Unit(benchmark::kMillisecond);

void BM_GameOverFrame(benchmark::State& state) {
  setUpOnce();
  game::gWorld.score = 3;
  for (auto _ : state) {
    game::gWorld.spinAngle += 1.0f;
    game::gameOverFrame();
    glFinish();
  }
  reportBudget(state);
}
BENCHMARK(BM_GameOverFrame)->Unit(benchmark::kMillisecond);

void BM_SetUpWorld(benchmark::State& state) {
  tt::ensureGlContext();
  for (auto _ : state) {
    tt::inDirectory(kData, [] { game::setUpWorld(); });
    game::releaseWorldTextures();
    glFinish();
  }
}
BENCHMARK(BM_SetUpWorld)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Load3ds(benchmark::State& state) {
  auto mesh = std::make_unique<assets::Mesh>();
  const std::string path = dataPath("sphere.3ds");
  for (auto _ : state) benchmark::DoNotOptimize(mesh->load3ds(path.c_str()));
}
BENCHMARK(BM_Load3ds);

void BM_LoadBmpTexture(benchmark::State& state) {
  tt::ensureGlContext();
  const std::string path = dataPath("earth.bmp");
  GLuint texture = 0;
  glGenTextures(1, &texture);
  for (auto _ : state) {
    assets::loadBmpTexture(path.c_str(), texture);
    glFinish();
  }
  glDeleteTextures(1, &texture);
}
BENCHMARK(BM_LoadBmpTexture)->Unit(benchmark::kMillisecond);

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
