// The decoder of the browser's data package: one LZMA stream, as xz
// --format=lzma writes it, unpacked into a buffer of the size its header
// gives. The decoding itself is the LZMA SDK's reference decoder (LzmaDec.c,
// public domain, from Debian's lzma-dev); this keeps the checks the package
// needs around it. It runs in a worker, compiled to a small wasm module of
// its own (unpack.cpp) that allocates nothing: the worker places the package
// and the output in memory past the module's own. The native tests build it too.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

class LzmaDecoder {
 public:
  // The 13-byte header: properties, dictionary size, unpacked size.
  static constexpr size_t kHeaderSize = 13;
  // The unpacked size the header gives, or -1 when it gives none or more
  // than `limit` bytes, or its properties are not LZMA's.
  static int64_t unpackedSize(const uint8_t* header, size_t size, size_t limit);

  // Starts on a whole stream, header included; `out` has room for exactly
  // unpackedSize() bytes. Both stay in place until the end.
  bool start(const uint8_t* stream, size_t size, uint8_t* out, size_t outSize);
  // Unpacks until `until` bytes of output are done or the stream ends.
  // False once the stream is found broken: it ends early, a match reaches
  // before the start, or it holds more than its size.
  bool run(size_t until);
  size_t done() const { return pos_; }
  bool finished() const { return !broken_ && pos_ == outSize_; }

 private:
  // The SDK's decoder state (CLzmaDec), kept here so that its header, with
  // its own names for types and macros, stays inside lzma.cpp.
  static constexpr size_t kStateSize = 160;
  // Its probability tables: 1846 fixed ones and 0x300 per literal context,
  // for lc + lp up to 4 (the packer writes 4, xz's default 3).
  static constexpr size_t kProbs = 1846 + (0x300 << 4);

  alignas(8) unsigned char state_[kStateSize];
  uint16_t probs_[kProbs];
  const uint8_t* in_ = nullptr;
  const uint8_t* inEnd_ = nullptr;
  size_t outSize_ = 0, pos_ = 0;
  bool broken_ = true, ended_ = false;  // ended: the whole size is out and checked
};

}  // namespace platform
