// unpack.wasm: the data package's decoder for the page's worker
// (platform/web/unpack_worker.js). The worker places the package and room for its
// output in the module's memory past everything the module itself uses, then
// unpacks a slice at a time: the browser compiles a long-running call once
// more, optimised, only when it is called again.
//
// The package comes without the cloth, whose weave is noise that would be
// 600 KB of the download: the generator's own code for it (tools/cloth.cpp)
// is built in here and makes linen.bmp, byte for byte the desktop's file, as
// a tar entry after the package's own. A package that holds a linen.bmp of
// its own (a player's cloth) keeps it. tools/build_web.sh checks the result
// against the desktop's files.
#include "platform/web/lzma.h"
#include "tools/cloth.h"
#include "tools/pixels.h"

namespace {

constexpr uint32_t kBlock = 512;  // a tar header, and the step of its bodies
constexpr uint32_t kRowBytes = gen::kLinenW * 3;
constexpr uint32_t kClothSize = gen::kBmpHeaderSize + kRowBytes * gen::kLinenH;
constexpr uint32_t kClothEntry = kBlock + (kClothSize + kBlock - 1) / kBlock * kBlock;
static_assert(gen::kLinenW % 4 == 0, "rows are read with no padding");

platform::LzmaDecoder decoder;
const gen::LinenRows linen;
gen::Rgb linenRow[gen::kLinenW];
uint8_t* output = nullptr;
uint32_t outputSize = 0, packedSize = 0;
// Where the cloth's entry goes once the package is unpacked; null before,
// and when the package brings its own.
uint8_t* cloth = nullptr;
bool clothPacked = false;
uint32_t clothRows = 0;

// A ustar header of a plain file, as Python's tarfile writes it for the package.
void writeTarHeader(uint8_t* at, const char* name, uint32_t size) {
  for (uint32_t i = 0; i < kBlock; ++i) at[i] = 0;
  auto text = [&](uint32_t offset, const char* s) {
    for (uint32_t i = 0; s[i]; ++i) at[offset + i] = uint8_t(s[i]);
  };
  auto octal = [&](uint32_t offset, uint32_t digits, uint32_t value) {
    for (uint32_t i = digits; i-- > 0; value >>= 3) at[offset + i] = uint8_t('0' + (value & 7));
  };
  text(0, name);
  text(100, "0000644");
  text(108, "0000000");
  text(116, "0000000");
  octal(124, 11, size);
  text(136, "00000000000");  // time 0
  text(148, "        ");     // the checksum counts its own field as spaces
  at[156] = '0';
  text(257, "ustar");
  text(263, "00");
  text(329, "0000000");  // device numbers
  text(337, "0000000");
  uint32_t sum = 0;
  for (uint32_t i = 0; i < kBlock; ++i) sum += at[i];
  octal(148, 6, sum);
  at[154] = 0;
}

// The cloth's rows, bottom first as the file holds them, until `until`
// bytes of the entry are written.
void makeCloth(uint32_t until) {
  uint8_t* const rows = cloth + kBlock + gen::kBmpHeaderSize;
  while (clothRows < uint32_t(gen::kLinenH) &&
         kBlock + gen::kBmpHeaderSize + clothRows * kRowBytes < until) {
    uint8_t* out = rows + clothRows * kRowBytes;
    linen.row(gen::kLinenH - 1 - int(clothRows), linenRow);
    for (const gen::Rgb& c : linenRow) {
      *out++ = gen::colourByte(c.b), *out++ = gen::colourByte(c.g), *out++ = gen::colourByte(c.r);
    }
    ++clothRows;
  }
}

uint32_t clothDone() {
  return clothRows == uint32_t(gen::kLinenH) ? kClothEntry
                                             : kBlock + gen::kBmpHeaderSize + clothRows * kRowBytes;
}

// Where the tar's end blocks begin, past its last entry, and whether it
// holds a linen.bmp.
uint32_t endOfEntries(const uint8_t* tar, uint32_t size, bool& hasCloth) {
  uint32_t at = 0;
  while (at + kBlock <= size && tar[at]) {
    uint32_t length = 0;
    for (uint32_t i = 124; i < 136 && tar[at + i] >= '0' && tar[at + i] <= '7'; ++i)
      length = length * 8 + (tar[at + i] - '0');
    const char* name = "linen.bmp";
    uint32_t i = 0;
    while (name[i] && tar[at + i] == uint8_t(name[i])) ++i;
    hasCloth = hasCloth || (!name[i] && !tar[at + i]);
    at += kBlock + (length + kBlock - 1) / kBlock * kBlock;
  }
  return at;
}

// Puts the cloth's entry after the package's; false if the package is broken.
bool placeCloth() {
  const uint32_t end = endOfEntries(output, packedSize, clothPacked);
  if (end > packedSize) return false;
  for (uint32_t i = end; i < outputSize; ++i) output[i] = 0;  // the tar's end
  if (clothPacked) return true;
  cloth = output + end;
  writeTarHeader(cloth, "linen.bmp", kClothSize);
  const auto header = gen::bmpHeader(gen::kLinenW, gen::kLinenH);
  for (uint32_t i = 0; i < gen::kBmpHeaderSize; ++i) cloth[kBlock + i] = header[i];
  return true;
}

}  // namespace

// The size of the whole tar, the package's and room for the cloth's entry, or -1.
extern "C" double tt_unpacked_size(const uint8_t* stream, uint32_t size) {
  const int64_t packed =
      platform::LzmaDecoder::unpackedSize(stream, size, 0x7fffffff - kClothEntry);
  return packed < 0 ? -1 : static_cast<double>(packed + kClothEntry);
}

extern "C" int tt_unpack_start(const uint8_t* stream, uint32_t size, uint8_t* out,
                               uint32_t outSize) {
  if (outSize < kClothEntry) return -1;
  output = out;
  outputSize = outSize;
  packedSize = outSize - kClothEntry;
  cloth = nullptr;
  clothPacked = false;
  clothRows = 0;
  return decoder.start(stream, size, out, packedSize) ? 0 : -1;
}

// Bytes made so far, at least `until` unless the end comes first; -1 once broken.
extern "C" double tt_unpack_run(uint32_t until) {
  if (!cloth && !clothPacked) {
    if (!decoder.run(until < packedSize ? until : packedSize)) return -1;
    if (decoder.done() < packedSize) return static_cast<double>(decoder.done());
    if (!placeCloth()) return -1;
  }
  if (clothPacked) return outputSize;
  const uint32_t at = uint32_t(cloth - output);
  makeCloth(until > at ? until - at : 0);
  return clothDone() == kClothEntry ? outputSize : at + clothDone();
}

// Whether the cloth is made here rather than unpacked, for the build's check.
extern "C" int tt_cloth_made() { return cloth ? 1 : 0; }
