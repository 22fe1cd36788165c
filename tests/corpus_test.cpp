// Files that players' tools write (tests/corpus, made once by its make.sh with ImageMagick and
// sox), through the game's readers: each picture's corners as drawn into a texture, each sound's
// samples against those sox was given, and whether the player plays it. Its photo.jpg is a bitmap
// test's and an end-to-end test's.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "assets/bmp.h"
#include "platform/gl.h"
#include "platform/sound.h"
#include "platform/wave.h"
#include "tests/byte_builder.h"
#include "tests/gl_harness.h"

namespace {

std::string corpus(const std::string& name) { return TT_SOURCE_DIR "/tests/corpus/" + name; }

// 13 x 7: red left of column 6, blue from it, the top row yellow; v4-pal1 in black and white.
TEST(Corpus, PicturesLoadAsImageMagickWasAskedToDrawThem) {
  constexpr uint32_t r = 0xFF0000, b = 0x0000FF, y = 0xFFFF00, k = 0x000000, w = 0xFFFFFF;
  struct Case {
    const char* file;
    uint32_t bottomLeft, bottomRight, top;
  };
  const Case cases[] = {
      {"rgb24.bmp", r, b, y},
      {"v5-rgb24.bmp", r, b, y},
      {"v5-argb32.bmp", r, b, y},
      {"v5-rgb565.bmp", r, b, y},
      {"rgb565-no-masks.bmp", r, b, y},
      {"pal4.bmp", r, b, y},
      {"pal8.bmp", r, b, y},
      {"rle8.bmp", r, b, y},
      {"v4-pal1.bmp", k, k, w},
      {"os2-rgb24.bmp", r, b, y},
      {"os2-pal4.bmp", r, b, y},
  };
  tt::resetGlState();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    GLuint tex = 0;
    glGenTextures(1, &tex);
    ASSERT_EQ(assets::loadBmpTexture(corpus(c.file).c_str(), tex), 1);
    // 16 x 8 texels, each corner from the picture's corner pixel alone.
    uint8_t t[16 * 8 * 4];
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t);
    glDeleteTextures(1, &tex);
    const auto at = [&](int x, int y) {
      const uint8_t* p = &t[(y * 16 + x) * 4];
      return uint32_t(p[0]) << 16 | p[1] << 8 | p[2];
    };
    EXPECT_EQ(std::vector<uint32_t>({at(0, 0), at(15, 0), at(0, 7), at(15, 7)}),
              std::vector<uint32_t>({c.bottomLeft, c.bottomRight, c.top, c.top}));
  }
}

// 441 frames of round(12000 sin(2 pi k / 25 + c)) in channel c. What the player says: SDL reads
// no 64-bit float and no GSM, Windows plays both through its codecs.
TEST(Corpus, SoundsDecodeAsSoxWasAskedToWriteThem) {
#ifdef _WIN32
  constexpr bool kSdl = false;
#else
  constexpr bool kSdl = true;
#endif
  using namespace platform;
  struct Case {
    const char* file;
    uint16_t encoding, channels;
    uint32_t rate;
    float tolerance;  // 0: not decoded here
    bool sizesWrong, plays;
  };
  const Case cases[] = {
      {"u8.wav", kWavePcm, 1, 22050, 1 / 128.0f, false, true},
      {"s16-stereo.wav", kWavePcm, 2, 11025, 1e-4f, false, true},
      {"s24.wav", kWavePcm, 1, 44100, 1e-4f, false, true},
      {"s32-stereo.wav", kWavePcm, 2, 22050, 1e-4f, false, true},
      {"float32.wav", kWaveFloat, 1, 16000, 1e-4f, false, true},
      {"float64.wav", kWaveFloat, 1, 22050, 1e-4f, false, !kSdl},
      {"s16-6ch.wav", kWavePcm, 6, 22050, 1e-4f, false, true},
      {"alaw.wav", kWaveALaw, 1, 8000, 0.01f, false, true},
      {"ulaw.wav", kWaveMuLaw, 1, 8000, 0.01f, false, true},
      {"ima-adpcm.wav", kWaveImaAdpcm, 1, 22050, 0.02f, false, true},
      {"ms-adpcm.wav", kWaveMsAdpcm, 2, 22050, 0.08f, false, true},
      {"gsm.wav", kWaveGsm, 1, 8000, 0, false, !kSdl},
      {"pipe.wav", kWavePcm, 1, 22050, 1e-4f, true, true},             // sizes 0x7ffff000 and more
      {"odd-no-pad.wav", kWavePcm, 1, 22050, 1 / 128.0f, true, true},  // two pad bytes missing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<uint8_t> image = tt::readWholeFile(corpus(c.file));
    Wave wave;
    ASSERT_EQ(readWave(image.data(), image.size(), wave), nullptr);
    EXPECT_EQ(std::vector<uint32_t>({wave.encoding, wave.channels, wave.rate, wave.sizesWrong}),
              std::vector<uint32_t>({c.encoding, c.channels, c.rate, c.sizesWrong}));
    EXPECT_EQ(waveProblem(image.data(), image.size()).empty(), c.plays);
    WaveSamples got;
    EXPECT_STREQ(decodeWave(wave, got),
                 c.tolerance ? nullptr : "an encoding this player does not decode");
    if (c.tolerance == 0) continue;
    ASSERT_GE(got.frames.size(), 441u * c.channels);  // ADPCM fills its last block
    float worst = 0;
    for (int k = 0; k < 441; ++k) {
      for (int ch = 0; ch < c.channels; ++ch) {
        const double want = std::round(12000 * std::sin(2 * M_PI * k / 25 + ch)) / 32768;
        worst = std::max(worst, float(std::fabs(got.frames[size_t(k) * c.channels + ch] - want)));
      }
    }
    EXPECT_LE(worst, c.tolerance);
  }
}

}  // namespace
