// RIFF WAVE images as every sound player of the game reads them: the walk
// over the chunks, a copy with true sizes for players that believe the ones
// written in the image, and decoding to samples for a player that has no
// decoder of its own. Plain bytes only: no system headers here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

enum WaveEncoding : uint16_t {
  kWavePcm = 0x0001,
  kWaveMsAdpcm = 0x0002,
  kWaveFloat = 0x0003,
  kWaveALaw = 0x0006,
  kWaveMuLaw = 0x0007,
  kWaveImaAdpcm = 0x0011,
  kWaveGsm = 0x0031,
  kWaveMp3 = 0x0055,
  kWaveExtensible = 0xFFFE,
};

struct Wave {
  uint16_t encoding = 0;  // for an extensible format, its sub-format
  uint16_t channels = 0;
  uint32_t rate = 0;
  uint16_t blockAlign = 0;
  uint16_t bits = 0;
  const uint8_t* format = nullptr;  // the format chunk's body, extension included
  size_t formatSize = 0;
  const uint8_t* data = nullptr;  // the samples, as far as the image holds them
  size_t dataSize = 0;
  // Some size in the image is not the true one: a file written through a
  // pipe, cut short, or without the pad byte after an odd-length chunk.
  bool sizesWrong = false;
};

// Reads the format and finds the samples. Returns what keeps the image from
// being a wave at all, or null. A data chunk longer than the image runs to
// its end; chunks after a broken one are not looked for.
const char* readWave(const uint8_t* image, size_t size, Wave& out);

// The same sound as an image of three chunks whose sizes are all true:
// RIFF, the format as it was, and the samples.
std::vector<uint8_t> rewriteWave(const Wave& wave);

// "IMA ADPCM", "GSM 6.10", ...: for messages about an encoding.
const char* waveEncodingName(uint16_t encoding);

struct WaveSamples {
  uint32_t rate = 0;
  uint16_t channels = 0;
  std::vector<float> frames;  // interleaved, -1 to 1
};

// Decodes PCM of 8, 16, 24 or 32 bits, float of 32 or 64 bits, A-law, mu-law,
// IMA ADPCM and MS ADPCM, any number of channels up to 8; a last frame or
// block that the image cuts short is left out. Returns why it cannot, or null.
const char* decodeWave(const Wave& wave, WaveSamples& out);

}  // namespace platform
