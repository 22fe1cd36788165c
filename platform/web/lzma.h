// The decoder of the browser's data package: one LZMA stream, as xz
// --format=lzma writes it, unpacked into a buffer of the size its header
// gives. It runs in a worker, compiled to a small wasm module of its own
// (unpack.cpp); it includes no system header, so the native tests build it too.
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
  // Probabilities of a 0 in 11 bits; each decoded bit moves its own by 1/32.
  using Prob = uint16_t;
  static constexpr Prob kHalf = 1024;
  struct Lengths {
    Prob choice[2];
    Prob low[16 << 3];
    Prob mid[16 << 3];
    Prob high[256];
  };
  struct Probs {
    Prob isMatch[12 << 4];
    Prob isRep[12];
    Prob isRepG0[12];
    Prob isRepG1[12];
    Prob isRepG2[12];
    Prob isRep0Long[12 << 4];
    Prob slots[4 << 6];
    Prob special[115];
    Prob align[16];
    Lengths matchLengths;
    Lengths repLengths;
    Prob literals[0x300 << 4];  // lc + lp is at most 4 here
  };

  uint8_t nextByte();
  unsigned bit(Prob& p);
  uint32_t directBits(int count);
  unsigned tree(Prob* p, int bits);
  unsigned reverseTree(Prob* p, int bits);
  unsigned length(Lengths& l, unsigned posState);
  uint32_t distance(unsigned length);
  void literal();

  Probs probs_;
  const uint8_t* in_ = nullptr;
  const uint8_t* inEnd_ = nullptr;
  uint8_t* out_ = nullptr;
  size_t outSize_ = 0, pos_ = 0;
  uint32_t range_ = 0, code_ = 0;
  unsigned lc_ = 0, lpMask_ = 0, pbMask_ = 0, state_ = 0;
  uint32_t rep_[4] = {};
  bool broken_ = true, ended_ = false;
};

}  // namespace platform
