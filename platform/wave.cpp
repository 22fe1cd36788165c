#include "platform/wave.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/bytes.h"

namespace platform {
namespace {

// Chunk ids are four printable characters; a pad byte that a writer left out
// shows as an id one byte early.
bool isChunkId(const uint8_t* p) {
  return std::all_of(p, p + 4, [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

const char* readFormat(const uint8_t* p, size_t size, Wave& out) {
  if (size < 14) return "a format chunk too short to hold a format";
  out.format = p;
  out.formatSize = size;
  out.encoding = le16(p);
  out.channels = le16(p + 2);
  out.rate = le32(p + 4);
  out.blockAlign = le16(p + 12);
  out.bits = size >= 16 ? le16(p + 14) : 8;
  if (out.encoding == kWaveExtensible) {
    // The sub-format is a GUID whose first two bytes are the encoding.
    if (size < 40) return "an extensible format without its sub-format";
    out.encoding = le16(p + 24);
  }
  return nullptr;
}

int16_t clamp16(int64_t value) {
  return static_cast<int16_t>(std::clamp<int64_t>(value, -32768, 32767));
}

int aLaw(uint8_t a) {
  a ^= 0x55;
  int t = (a & 0x0F) << 4;
  const int segment = (a & 0x70) >> 4;
  t += segment == 0 ? 8 : 0x108;
  if (segment > 1) t <<= segment - 1;
  return (a & 0x80) ? t : -t;
}

int muLaw(uint8_t u) {
  u = static_cast<uint8_t>(~u);
  const int t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
  return (u & 0x80) ? 0x84 - t : t - 0x84;
}

float sampleAt(const uint8_t* p, uint16_t encoding, int width) {
  switch (encoding) {
    case kWaveALaw:
      return static_cast<float>(aLaw(*p)) / 32768.0f;
    case kWaveMuLaw:
      return static_cast<float>(muLaw(*p)) / 32768.0f;
    case kWaveFloat: {
      double v;
      if (width == 4) {
        float f;
        std::memcpy(&f, p, 4);
        v = f;
      } else {
        std::memcpy(&v, p, 8);
      }
      return std::isnan(v) ? 0.0f : static_cast<float>(std::clamp(v, -1.0, 1.0));
    }
    default:
      break;
  }
  if (width == 1) return static_cast<float>(*p - 128) / 128.0f;  // 8-bit PCM is unsigned
  // Little-endian, sign in the top byte: shift it into the top of 32 bits.
  uint32_t v = 0;
  for (int i = 0; i < width; ++i) v |= uint32_t{p[i]} << (8 * (4 - width + i));
  return static_cast<float>(static_cast<int32_t>(v)) / 2147483648.0f;
}

const char* decodePlain(const Wave& w, WaveSamples& out) {
  const int width = w.blockAlign / w.channels;
  const bool fits = w.blockAlign == width * w.channels && width * 8 == w.bits;
  const bool known = w.encoding == kWavePcm     ? w.bits % 8 == 0 && w.bits >= 8 && w.bits <= 32
                     : w.encoding == kWaveFloat ? w.bits == 32 || w.bits == 64
                                                : w.bits == 8;
  if (!fits || !known) return "a sample size this player does not decode";
  const size_t samples = w.dataSize / w.blockAlign * w.channels;
  out.frames.resize(samples);
  for (size_t i = 0; i < samples; ++i)
    out.frames[i] = sampleAt(w.data + i * width, w.encoding, width);
  return nullptr;
}

constexpr int16_t kImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kImaIndexStep[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

// Each block starts with every channel's sample and step index, then runs of
// four bytes (eight samples, low nibble first) per channel in turn.
const char* decodeIma(const Wave& w, WaveSamples& out) {
  const size_t ch = w.channels, header = 4 * ch;
  if (w.bits != 4 || w.blockAlign <= header || (w.blockAlign - header) % (4 * ch) != 0)
    return "an IMA ADPCM block layout this player does not decode";
  const size_t framesPerBlock = 1 + (w.blockAlign - header) * 2 / ch;
  const size_t blocks = w.dataSize / w.blockAlign;
  out.frames.assign(blocks * framesPerBlock * ch, 0.0f);
  for (size_t b = 0; b < blocks; ++b) {
    const uint8_t* block = w.data + b * w.blockAlign;
    float* frames = out.frames.data() + b * framesPerBlock * ch;
    for (size_t c = 0; c < ch; ++c) {
      int sample = static_cast<int16_t>(le16(block + 4 * c));
      int index = std::min<int>(block[4 * c + 2], 88);
      frames[c] = static_cast<float>(sample) / 32768.0f;
      for (size_t k = 0; k + 1 < framesPerBlock; ++k) {
        const uint8_t byte = block[header + (k / 8 * ch + c) * 4 + k % 8 / 2];
        const int nibble = k % 2 ? byte >> 4 : byte & 0x0F;
        const int step = kImaSteps[index];
        int diff = step >> 3;
        if (nibble & 1) diff += step >> 2;
        if (nibble & 2) diff += step >> 1;
        if (nibble & 4) diff += step;
        sample = clamp16(nibble & 8 ? sample - diff : sample + diff);
        index = std::clamp(index + kImaIndexStep[nibble & 7], 0, 88);
        frames[(k + 1) * ch + c] = static_cast<float>(sample) / 32768.0f;
      }
    }
  }
  return nullptr;
}

constexpr int kMsAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                              768, 614, 512, 409, 307, 230, 230, 230};
constexpr int16_t kMsCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                           {240, 0}, {460, -208}, {392, -232}};

// Each block starts with every channel's predictor, step and two samples
// (the older one is the first frame); nibbles follow, high one first, the
// channels taking turns.
const char* decodeMsAdpcm(const Wave& w, WaveSamples& out) {
  const size_t ch = w.channels, header = 7 * ch;
  if (w.bits != 4 || w.blockAlign < header)
    return "an MS ADPCM block layout this player does not decode";
  size_t framesPerBlock = 2 + (w.blockAlign - header) * 2 / ch;
  // The format's extension may give fewer frames per block, and its own predictors.
  size_t coefficients = 7;
  const uint8_t* table = nullptr;
  if (w.formatSize >= 22) {
    framesPerBlock = std::min<size_t>(framesPerBlock, std::max<size_t>(le16(w.format + 18), 2));
    const size_t count = le16(w.format + 20);
    if (count > 0 && w.formatSize >= 22 + 4 * count) coefficients = count, table = w.format + 22;
  }
  const auto coefficient = [&](size_t i, int k) {
    return table ? static_cast<int16_t>(le16(table + 4 * i + 2 * k)) : kMsCoefficients[i][k];
  };
  const size_t blocks = w.dataSize / w.blockAlign;
  out.frames.assign(blocks * framesPerBlock * ch, 0.0f);
  std::vector<int> predictor(ch), delta(ch), s1(ch), s2(ch);
  for (size_t b = 0; b < blocks; ++b) {
    const uint8_t* block = w.data + b * w.blockAlign;
    float* frames = out.frames.data() + b * framesPerBlock * ch;
    for (size_t c = 0; c < ch; ++c) {
      predictor[c] = block[c];
      if (static_cast<size_t>(predictor[c]) >= coefficients) return "a damaged MS ADPCM block";
      delta[c] = static_cast<int16_t>(le16(block + ch + 2 * c));
      s1[c] = static_cast<int16_t>(le16(block + 3 * ch + 2 * c));
      s2[c] = static_cast<int16_t>(le16(block + 5 * ch + 2 * c));
      frames[c] = static_cast<float>(s2[c]) / 32768.0f;
      frames[ch + c] = static_cast<float>(s1[c]) / 32768.0f;
    }
    for (size_t n = 0; n < (framesPerBlock - 2) * ch; ++n) {
      const size_t c = n % ch;
      const uint8_t byte = block[header + n / 2];
      const int nibble = n % 2 ? byte & 0x0F : byte >> 4;
      const int64_t p = (int64_t{s1[c]} * coefficient(predictor[c], 0) +
                         int64_t{s2[c]} * coefficient(predictor[c], 1)) /
                        256;
      const int sample = clamp16(p + (nibble >= 8 ? nibble - 16 : nibble) * delta[c]);
      s2[c] = s1[c];
      s1[c] = sample;
      // Real streams keep the step within 16 bits; a damaged one must not overflow.
      delta[c] = std::clamp(kMsAdapt[nibble] * delta[c] / 256, 16, 1 << 20);
      frames[2 * ch + n] = static_cast<float>(sample) / 32768.0f;
    }
  }
  return nullptr;
}

}  // namespace

const char* readWave(const uint8_t* image, size_t size, Wave& out) {
  out = Wave{};
  if (!image || size < 12 || std::memcmp(image, "RIFF", 4) != 0 ||
      std::memcmp(image + 8, "WAVE", 4) != 0) {
    return "not a RIFF WAVE file";
  }
  out.sizesWrong = le32(image + 4) != size - 8;
  const char* formatProblem = "no format chunk";
  for (size_t at = 12; size - at >= 8;) {
    const uint8_t* chunk = image + at;
    const size_t body = le32(chunk + 4), room = size - at - 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && !out.format) {
      formatProblem = readFormat(chunk + 8, std::min(body, room), out);
    } else if (std::memcmp(chunk, "data", 4) == 0 && !out.data) {
      out.data = chunk + 8;
      out.dataSize = std::min(body, room);
    }
    if (body > room) {
      // Written through a pipe or cut short: the chunk runs to the end.
      out.sizesWrong = true;
      break;
    }
    at += 8 + body;
    if (body % 2 == 1 && size - at >= 4) {
      if (isChunkId(image + at) && (size - at < 5 || !isChunkId(image + at + 1))) {
        out.sizesWrong = true;  // the pad byte is missing
      } else {
        ++at;
      }
    }
  }
  if (formatProblem) return formatProblem;
  if (!out.data) return "no data chunk";
  if (out.channels == 0) return "no channels";
  // Below telephone rates nothing is meant to be heard, and a player that
  // resamples would blow one second up into thousands.
  if (out.rate < 1000 || out.rate > 768000) return "a sample rate no player takes";
  if (out.blockAlign == 0) return "a block size of 0";
  if (out.dataSize < out.blockAlign) return "no whole sample";
  return nullptr;
}

std::vector<uint8_t> rewriteWave(const Wave& wave) {
  const size_t formatRoom = wave.formatSize + wave.formatSize % 2;
  const size_t dataRoom = wave.dataSize + wave.dataSize % 2;
  std::vector<uint8_t> out(28 + formatRoom + dataRoom, 0);  // pad bytes stay 0
  uint8_t* at = out.data();
  const auto put = [&at](const void* bytes, size_t n) {
    std::memcpy(at, bytes, n);
    at += n;
  };
  const auto size = [&put](size_t n) {
    const uint8_t le[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    put(le, 4);
  };
  put("RIFF", 4);
  size(out.size() - 8);
  put("WAVEfmt ", 8);
  size(wave.formatSize);
  put(wave.format, wave.formatSize);
  at += formatRoom - wave.formatSize;
  put("data", 4);
  size(wave.dataSize);
  put(wave.data, wave.dataSize);
  return out;
}

const char* waveEncodingName(uint16_t encoding) {
  switch (encoding) {
    case kWavePcm:
      return "PCM";
    case kWaveMsAdpcm:
      return "MS ADPCM";
    case kWaveFloat:
      return "float";
    case kWaveALaw:
      return "A-law";
    case kWaveMuLaw:
      return "mu-law";
    case kWaveImaAdpcm:
      return "IMA ADPCM";
    case kWaveGsm:
      return "GSM 6.10";
    case kWaveMp3:
      return "MP3";
    default:
      return "an unknown encoding";
  }
}

const char* decodeWave(const Wave& wave, WaveSamples& out) {
  out = WaveSamples{wave.rate, wave.channels, {}};
  if (wave.channels < 1 || wave.channels > 8) return "more channels than this player decodes";
  switch (wave.encoding) {
    case kWavePcm:
    case kWaveFloat:
    case kWaveALaw:
    case kWaveMuLaw:
      return decodePlain(wave, out);
    case kWaveImaAdpcm:
      return decodeIma(wave, out);
    case kWaveMsAdpcm:
      return decodeMsAdpcm(wave, out);
    default:
      return "an encoding this player does not decode";
  }
}

}  // namespace platform
