// Sound clips, and the player heard through SDL's disk driver, which writes what it plays to a
// file.
#include "platform/sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "assets/sound_clip.h"
#include "tests/byte_builder.h"

namespace {

using namespace std::chrono_literals;
constexpr int kA = 11025, kB = 4410;  // half a second, a fifth of a second

// A mono 16-bit wave image at the player's own rate holding one value.
std::vector<uint8_t> wave(int16_t value, int samples) {
  tt::Bytes b;
  b.text("RIFF").u32(36 + 2 * samples).text("WAVEfmt ").u32(16).u16(1).u16(1).u32(22050).u32(44100);
  b.u16(2).u16(16).text("data").u32(2 * samples);
  for (int i = 0; i < samples; ++i) b.put(value);
  return b.v;
}
// Opens the player on the given driver, leaving the choice for later opens as it was.
bool openAudioWith(const char* driver) {
  const std::string old = std::getenv("SDL_AUDIODRIVER") ? std::getenv("SDL_AUDIODRIVER") : "dummy";
  setenv("SDL_AUDIODRIVER", driver, 1);
  const bool opened = platform::openAudio();
  setenv("SDL_AUDIODRIVER", old.c_str(), 1);
  return opened;
}

TEST(Sound, ClipsHoldTheWholeFileOrNothing) {
  std::vector<uint8_t> bytes = {0x00, 0x0D, 0x0A, 0x1A, 0x00, 0xFF};
  for (int i = 0; i < 777; ++i) bytes.push_back(uint8_t(i * 37));
  assets::SoundClip clip = assets::loadSoundClip(tt::writeTempFile("any.wav", bytes).c_str());
  EXPECT_EQ(std::vector<uint8_t>(clip.data, clip.data + clip.size), bytes);
  assets::freeSoundClip(clip);
  clip = assets::loadSoundClip(tt::tempPath("no_such.wav").c_str());
  EXPECT_TRUE(clip.data == nullptr && clip.size == 0);
}

TEST(Sound, PlayerCutsOffDropsAndRestartsClips) {
  struct Play {
    int clip;  // 0: kA samples of 8000, 1: kB samples of -8000, 2: a missing file
    unsigned flags;
    bool started;
  };
  struct Run {
    int16_t value;
    int least, most;  // samples in a row
  };
  struct Case {
    const char* what;
    std::vector<Play> plays;  // 100 ms apart; after the last, the player falls quiet
    std::vector<Run> heard;
  };
  const Case cases[] = {
      {"flags 5 cut off what sounds",
       {{0, 5, true}, {1, 5, true}},
       {{8000, 1, kA - 1}, {-8000, kB, kB}}},
      {"flags 0x15 is dropped while a clip sounds, not queued",
       {{0, 0x15, true}, {1, 0x15, false}, {0, 0x15, false}},
       {{8000, kA, kA}}},
      {"a clip played again starts over",
       {{0, 5, true}, {0, 5, true}},
       {{8000, kA + 1, 2 * kA - 1}}},
      {"a missing file plays nothing", {{2, 5, false}}, {}},
  };
  auto a = wave(8000, kA), b = wave(-8000, kB);
  const assets::SoundClip clips[] = {{a.data(), a.size()}, {b.data(), b.size()}, {}};
  const std::string path = tt::tempPath("played.raw");
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(openAudioWith("disk"));
    for (const Play& p : c.plays) {
      EXPECT_EQ(assets::playSoundClip(clips[p.clip], p.flags), p.started);
      std::this_thread::sleep_for(100ms);
    }
    for (int i = 0; i < 300 && platform::soundPlaying(); ++i) std::this_thread::sleep_for(10ms);
    platform::closeAudio();
    std::vector<std::pair<int16_t, int>> runs;  // of equal samples, without the silence around them
    const std::vector<uint8_t> raw = tt::readWholeFile(path);
    for (size_t i = 0; i + 1 < raw.size(); i += 2) {
      const int16_t v = int16_t(raw[i] | raw[i + 1] << 8);
      if (runs.empty() || runs.back().first != v) runs.push_back({v, 0});
      ++runs.back().second;
    }
    if (!runs.empty() && runs.back().first == 0) runs.pop_back();
    if (!runs.empty() && runs.front().first == 0) runs.erase(runs.begin());
    ASSERT_EQ(runs.size(), c.heard.size());
    for (size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].first, c.heard[i].value);
      EXPECT_TRUE(runs[i].second >= c.heard[i].least && runs[i].second <= c.heard[i].most)
          << runs[i].second;
    }
  }
  std::remove(path.c_str());
}

}  // namespace
