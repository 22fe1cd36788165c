// The browser's data package decoder against liblzma, the encoder the packer
// uses (through Python): whatever liblzma packs, with any settings the
// decoder takes, comes back byte for byte; a broken package is refused.
#include "platform/web/lzma.h"

#include <gtest/gtest.h>
#include <lzma.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Settings {
  unsigned lc = 3, lp = 0, pb = 2;
  uint32_t dictionary = 1 << 20;
};

// An .lzma stream as tools/pack_web_data.py writes it: the header with the
// unpacked size, then liblzma's raw stream (which ends with the end marker).
Bytes pack(const Bytes& plain, Settings s) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 6);
  options.lc = s.lc, options.lp = s.lp, options.pb = s.pb, options.dict_size = s.dictionary;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  Bytes out(platform::LzmaDecoder::kHeaderSize + plain.size() * 2 + 1024);
  size_t at = platform::LzmaDecoder::kHeaderSize;
  EXPECT_EQ(lzma_raw_buffer_encode(filters, nullptr, plain.data(), plain.size(), out.data(), &at,
                                   out.size()),
            LZMA_OK);
  out.resize(at);
  out[0] = static_cast<uint8_t>((s.pb * 5 + s.lp) * 9 + s.lc);
  for (int i = 0; i < 4; ++i) out[1 + i] = static_cast<uint8_t>(s.dictionary >> 8 * i);
  for (int i = 0; i < 8; ++i) out[5 + i] = static_cast<uint8_t>(uint64_t{plain.size()} >> 8 * i);
  return out;
}

// Unpacks `stream` into its header's size, `step` bytes per run; false when
// the decoder refuses it or finds it broken.
bool unpack(const Bytes& stream, Bytes& out, size_t step = SIZE_MAX) {
  const int64_t size = platform::LzmaDecoder::unpackedSize(stream.data(), stream.size(), 1 << 26);
  if (size < 0) return false;
  out.assign(static_cast<size_t>(size), 0);
  platform::LzmaDecoder decoder;
  if (!decoder.start(stream.data(), stream.size(), out.data(), out.size())) return false;
  for (size_t until = 0; !decoder.finished();) {
    until = until > SIZE_MAX - step ? SIZE_MAX : until + step;
    if (!decoder.run(until)) return false;
  }
  return true;
}

Bytes file(const std::string& name) {
  std::ifstream in(std::string(TT_DATA_DIR) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes noise(size_t n, uint32_t seed) {
  Bytes b(n);
  for (auto& c : b) c = static_cast<uint8_t>((seed = seed * 1664525 + 1013904223) >> 24);
  return b;
}

TEST(Lzma, UnpacksWhatLiblzmaPacks) {
  Bytes text;
  for (int i = 0; i < 3000; ++i) {
    const std::string line = "roach " + std::to_string(i * 7 % 101) + " squashed\n";
    text.insert(text.end(), line.begin(), line.end());
  }
  Bytes pictures = file("earth.bmp");
  const Bytes laugh = file("laugh.wav");
  pictures.insert(pictures.end(), laugh.begin(), laugh.end());
  ASSERT_GT(pictures.size(), 150000u);
  Bytes mixed = noise(70000, 3);
  mixed.insert(mixed.end(), 70000, 0);  // a run, then the noise again: a long, far match
  const Bytes head = noise(70000, 3);
  mixed.insert(mixed.end(), head.begin(), head.end());

  struct Case {
    const char* what;
    Bytes plain;
    Settings settings;
  };
  const Case cases[] = {
      {"nothing", {}, {}},
      {"one byte", {42}, {}},
      {"text, xz's settings", text, {}},
      {"text, every literal bit by position", text, {0, 4, 4}},
      {"pictures and a sound, the packer's settings", pictures, {4, 0, 0, 8 << 20}},
      {"pictures and a sound, mixed settings", pictures, {1, 3, 1}},
      {"noise, a run and the noise again", mixed, {}},
      {"noise past a 4 KiB dictionary", noise(20000, 9), {3, 0, 2, 4096}},
  };
  for (const Case& c : cases) {
    const Bytes stream = pack(c.plain, c.settings);
    for (size_t step : {size_t{SIZE_MAX}, size_t{1}, size_t{4093}}) {
      if (step == 1 && c.plain.size() > 100000) continue;
      Bytes out;
      EXPECT_TRUE(unpack(stream, out, step)) << c.what << ", step " << step;
      EXPECT_TRUE(out == c.plain) << c.what << ", step " << step;
    }
  }
}

TEST(Lzma, RefusesBrokenPackages) {
  const Bytes good = pack(file("font.bmp"), {});
  // The good stream with `value` written little-endian over `bytes` bytes at `at`.
  const auto with = [&](size_t at, uint64_t value, int bytes = 1) {
    Bytes b = good;
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(value >> 8 * i);
    return b;
  };
  const uint64_t size = file("font.bmp").size();
  struct Case {
    const char* what;
    Bytes stream;
  };
  const Case cases[] = {
      {"only a header", Bytes(good.begin(), good.begin() + 13)},
      {"cut in the middle", Bytes(good.begin(), good.begin() + long(good.size() / 2))},
      {"cut at nine tenths", Bytes(good.begin(), good.begin() + long(good.size() * 9 / 10))},
      {"lc + lp above 4", with(0, (0 * 5 + 2) * 9 + 3)},
      {"properties past 224", with(0, 225)},
      {"size unknown", with(5, ~uint64_t{0}, 8)},
      {"size past the limit", with(5, uint64_t{1} << 26 | 1, 8)},
      {"larger than the data: the end marker comes early", with(5, size + 1, 8)},
      {"smaller than the data: more follows its size", with(5, size - 1, 8)},
      {"nothing, though data follows", with(5, 0, 8)},
      {"first stream byte not 0", with(13, 1)},
  };
  for (const Case& c : cases) {
    Bytes out;
    EXPECT_FALSE(unpack(c.stream, out)) << c.what;
  }

  // Damage anywhere in the stream may unpack to other bytes (LZMA keeps no
  // checksum), but never reads or writes outside the buffers: the sanitizer
  // build watches.
  const Bytes small = pack(noise(3000, 5), {});
  for (size_t at = 13; at < small.size(); at += 7) {
    Bytes damaged = small, out;
    damaged[at] ^= 0x5a;
    unpack(damaged, out);
  }
}

}  // namespace
