// Sound clips, and the player heard through SDL's disk driver: what it
// plays is written to a file, sample by sample, as it plays.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>

#include "assets/sound_clip.h"
#include "platform/sound.h"
#include "tests/byte_builder.h"
#include "tests/gl_harness.h"

namespace {

using assets::SoundClip;

// A mono 16-bit wave image at the player's own rate holding one value.
std::vector<uint8_t> wave(int16_t value, int samples) {
  tt::Bytes b;
  b.text("RIFF").u32(36 + 2 * samples).text("WAVEfmt ").u32(16).u16(1).u16(1).u32(22050).u32(44100);
  b.u16(2).u16(16).text("data").u32(2 * samples);
  for (int i = 0; i < samples; ++i) b.put(value);
  return b.v;
}
SoundClip clipOf(std::vector<uint8_t>& image) { return {image.data(), image.size()}; }

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
void waitUntilQuiet() {
  for (int i = 0; i < 300 && platform::soundPlaying(); ++i) sleepMs(10);
}

// Opens the player on the disk driver; runs() closes it and gives the runs of
// equal samples it wrote, without the silence before and after.
class DiskAudio {
 public:
  DiskAudio() : path_(tt::tempPath("played.raw")) {
    if (const char* d = std::getenv("SDL_AUDIODRIVER")) oldDriver_ = d;
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
    opened_ = platform::openAudio();
  }
  ~DiskAudio() {
    close();
    std::remove(path_.c_str());
  }
  bool opened() const { return opened_; }
  std::vector<std::pair<int16_t, int>> runs() {
    close();
    const std::vector<uint8_t> raw = tt::readWholeFile(path_);
    std::vector<std::pair<int16_t, int>> out;
    for (size_t i = 0; i + 1 < raw.size(); i += 2) {
      int16_t s;
      std::memcpy(&s, raw.data() + i, 2);
      if (out.empty() || out.back().first != s) out.push_back({s, 0});
      ++out.back().second;
    }
    if (!out.empty() && out.back().first == 0) out.pop_back();
    if (!out.empty() && out.front().first == 0) out.erase(out.begin());
    return out;
  }

 private:
  void close() {
    platform::closeAudio();
    if (oldDriver_.empty()) unsetenv("SDL_AUDIODRIVER");
    else setenv("SDL_AUDIODRIVER", oldDriver_.c_str(), 1);
  }
  std::string path_, oldDriver_;
  bool opened_ = false;
};

constexpr int kA = 11025, kB = 4410;  // half a second, a fifth of a second

TEST(Sound, LoadedClipIsTheWholeFileByteForByte) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 777; ++i) bytes.push_back(static_cast<uint8_t>(i * 37));
  for (uint8_t c : {0x00, 0x0D, 0x0A, 0x1A, 0x00, 0xFF}) bytes.push_back(c);
  SoundClip clip = assets::loadSoundClip(tt::writeTempFile("any.wav", bytes).c_str());
  ASSERT_EQ(clip.size, bytes.size());
  EXPECT_EQ(std::vector<uint8_t>(clip.data, clip.data + clip.size), bytes);
  assets::freeSoundClip(clip);
}

TEST(Sound, MissingFileGivesAClipThatPlaysNothing) {
  SoundClip clip = assets::loadSoundClip(tt::tempPath("no_such.wav").c_str());
  EXPECT_EQ(clip.data, nullptr);
  EXPECT_EQ(clip.size, 0u);
  DiskAudio audio;
  ASSERT_TRUE(audio.opened());
  EXPECT_FALSE(assets::playSoundClip(clip, 5));
  EXPECT_FALSE(platform::soundPlaying());
  EXPECT_TRUE(audio.runs().empty());
}

TEST(Sound, NewClipCutsOffTheSoundingOne) {
  auto a = wave(8000, kA), b = wave(-8000, kB);
  DiskAudio audio;
  ASSERT_TRUE(audio.opened());
  EXPECT_TRUE(assets::playSoundClip(clipOf(a), 5));
  sleepMs(100);
  EXPECT_TRUE(assets::playSoundClip(clipOf(b), 5));
  waitUntilQuiet();
  const auto runs = audio.runs();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].first, 8000);
  EXPECT_LT(runs[0].second, kA);  // cut off before its end
  EXPECT_EQ(runs[1], std::make_pair(int16_t(-8000), kB));
}

TEST(Sound, NoStopClipIsDroppedWhileAnotherSounds) {
  auto a = wave(8000, kA), b = wave(-8000, kB);
  DiskAudio audio;
  ASSERT_TRUE(audio.opened());
  std::vector<bool> seen;
  platform::setSoundObserver([&](const uint8_t*, unsigned, bool started) { seen.push_back(started); });
  EXPECT_TRUE(assets::playSoundClip(clipOf(a), 0x15));  // nothing sounds yet
  sleepMs(100);
  EXPECT_FALSE(assets::playSoundClip(clipOf(b), 0x15));
  EXPECT_TRUE(platform::soundPlaying());
  waitUntilQuiet();
  EXPECT_TRUE(assets::playSoundClip(clipOf(b), 0x15));  // dropped, not queued: plays only now
  waitUntilQuiet();
  platform::setSoundObserver(nullptr);
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
  const auto runs = audio.runs();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0], std::make_pair(int16_t(8000), kA));
  EXPECT_EQ(runs[1].first, 0);
  EXPECT_EQ(runs[2], std::make_pair(int16_t(-8000), kB));
}

TEST(Sound, ClipPlayedAgainStartsOver) {
  auto a = wave(8000, kA);
  DiskAudio audio;
  ASSERT_TRUE(audio.opened());
  EXPECT_TRUE(assets::playSoundClip(clipOf(a), 5));
  sleepMs(100);
  EXPECT_TRUE(assets::playSoundClip(clipOf(a), 5));
  waitUntilQuiet();
  const auto runs = audio.runs();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].first, 8000);
  EXPECT_GT(runs[0].second, kA);
  EXPECT_LT(runs[0].second, 2 * kA);
}

TEST(Sound, NothingStartsWithoutADevice) {
  auto a = wave(8000, kA);
  platform::closeAudio();
  bool observed = false, started = true;
  platform::setSoundObserver([&](const uint8_t*, unsigned, bool s) { observed = true, started = s; });
  EXPECT_FALSE(assets::playSoundClip(clipOf(a), 5));
  platform::setSoundObserver(nullptr);
  EXPECT_TRUE(observed);
  EXPECT_FALSE(started);
  EXPECT_FALSE(platform::soundPlaying());
  platform::stopSound();
}

TEST(Sound, GeneratedWavesAreWholeWaveFiles) {
  const std::string dir = tt::dataDir() + "/";
  if (tt::readWholeFile(dir + "beep.wav").empty()) GTEST_SKIP() << "no generated data in " << dir;
  DiskAudio audio;
  ASSERT_TRUE(audio.opened());
  for (const char* name : {"squash.wav", "beep.wav", "bump.wav", "squeakx.wav", "squeaky.wav", "laugh.wav"}) {
    SoundClip clip = assets::loadSoundClip((dir + name).c_str());
    ASSERT_GT(clip.size, 44u) << name;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(clip.data), 4), "RIFF") << name;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(clip.data) + 8, 4), "WAVE") << name;
    EXPECT_TRUE(assets::playSoundClip(clip, 5)) << name;  // the player decodes it
    platform::stopSound();
    assets::freeSoundClip(clip);
  }
}

}  // namespace
