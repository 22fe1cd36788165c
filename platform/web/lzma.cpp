#include "platform/web/lzma.h"

#include "platform/bytes.h"

namespace platform {
namespace {

constexpr uint32_t kTop = 1u << 24;  // the range is topped up below this
constexpr uint32_t kEndMarker = 0xffffffff;

}  // namespace

int64_t LzmaDecoder::unpackedSize(const uint8_t* header, size_t size, size_t limit) {
  // lc + lp above 4 needs more literal tables than this decoder keeps; the
  // packer never writes it (nor does xz's default).
  if (size < kHeaderSize || header[0] >= 9 * 5 * 5 || header[0] % 9 + header[0] / 9 % 5 > 4) {
    return -1;
  }
  const uint64_t unpacked = le32(header + 5) | static_cast<uint64_t>(le32(header + 9)) << 32;
  return unpacked > limit ? -1 : static_cast<int64_t>(unpacked);  // "unknown" is all ones
}

bool LzmaDecoder::start(const uint8_t* stream, size_t size, uint8_t* out, size_t outSize) {
  broken_ = true;
  if (unpackedSize(stream, size, outSize) != static_cast<int64_t>(outSize) ||
      size < kHeaderSize + 5 || stream[kHeaderSize] != 0) {
    return false;
  }
  const unsigned properties = stream[0];
  lc_ = properties % 9;
  lpMask_ = (1u << (properties / 9 % 5)) - 1;
  pbMask_ = (1u << (properties / 45)) - 1;
  Prob* all = reinterpret_cast<Prob*>(&probs_);
  for (size_t i = 0; i < sizeof probs_ / sizeof(Prob); ++i) all[i] = kHalf;
  in_ = stream + kHeaderSize + 1;
  inEnd_ = stream + size;
  out_ = out;
  outSize_ = outSize;
  pos_ = 0;
  range_ = 0xffffffff;
  code_ = 0;
  for (int i = 0; i < 4; ++i) code_ = code_ << 8 | *in_++;
  state_ = 0;
  rep_[0] = rep_[1] = rep_[2] = rep_[3] = 0;
  broken_ = ended_ = false;
  return true;
}

uint8_t LzmaDecoder::nextByte() {
  if (in_ == inEnd_) {
    broken_ = true;
    return 0;
  }
  return *in_++;
}

unsigned LzmaDecoder::bit(Prob& p) {
  const uint32_t bound = (range_ >> 11) * p;
  unsigned b;
  if (code_ < bound) {
    range_ = bound;
    p = static_cast<Prob>(p + ((2048 - p) >> 5));
    b = 0;
  } else {
    range_ -= bound;
    code_ -= bound;
    p = static_cast<Prob>(p - (p >> 5));
    b = 1;
  }
  if (range_ < kTop) {
    range_ <<= 8;
    code_ = code_ << 8 | nextByte();
  }
  return b;
}

uint32_t LzmaDecoder::directBits(int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) {
    range_ >>= 1;
    const uint32_t b = code_ >= range_;
    if (b) code_ -= range_;
    value = value << 1 | b;
    if (range_ < kTop) {
      range_ <<= 8;
      code_ = code_ << 8 | nextByte();
    }
  }
  return value;
}

unsigned LzmaDecoder::tree(Prob* p, int bits) {
  unsigned m = 1;
  for (int i = 0; i < bits; ++i) m = m << 1 | bit(p[m]);
  return m - (1u << bits);
}

unsigned LzmaDecoder::reverseTree(Prob* p, int bits) {
  unsigned m = 1, value = 0;
  for (int i = 0; i < bits; ++i) {
    const unsigned b = bit(p[m]);
    m = m << 1 | b;
    value |= b << i;
  }
  return value;
}

unsigned LzmaDecoder::length(Lengths& l, unsigned posState) {
  if (!bit(l.choice[0])) return tree(l.low + (posState << 3), 3);
  if (!bit(l.choice[1])) return 8 + tree(l.mid + (posState << 3), 3);
  return 16 + tree(l.high, 8);
}

uint32_t LzmaDecoder::distance(unsigned length) {
  const unsigned slot = tree(probs_.slots + ((length < 3 ? length : 3) << 6), 6);
  if (slot < 4) return slot;
  const int bits = static_cast<int>(slot >> 1) - 1;
  uint32_t dist = (2 | (slot & 1)) << bits;
  if (slot < 14) return dist + reverseTree(probs_.special + dist - slot, bits);
  dist += directBits(bits - 4) << 4;
  return dist + reverseTree(probs_.align, 4);
}

void LzmaDecoder::literal() {
  const unsigned previous = pos_ > 0 ? out_[pos_ - 1] : 0;
  Prob* table = probs_.literals + 0x300 * (((pos_ & lpMask_) << lc_) + (previous >> (8 - lc_)));
  unsigned symbol = 1;
  if (state_ >= 7) {
    // Just after a match, the byte at the last distance guides the first bits.
    if (rep_[0] >= pos_) {
      broken_ = true;
      return;
    }
    unsigned match = out_[pos_ - rep_[0] - 1];
    while (symbol < 0x100) {
      const unsigned matchBit = match >> 7 & 1;
      match <<= 1;
      const unsigned b = bit(table[((1 + matchBit) << 8) + symbol]);
      symbol = symbol << 1 | b;
      if (b != matchBit) break;
    }
  }
  while (symbol < 0x100) symbol = symbol << 1 | bit(table[symbol]);
  out_[pos_++] = static_cast<uint8_t>(symbol);
  state_ = state_ < 4 ? 0 : state_ < 10 ? state_ - 3 : state_ - 6;
}

bool LzmaDecoder::run(size_t until) {
  if (until > outSize_) until = outSize_;
  while (!broken_ && pos_ < until) {
    const unsigned posState = pos_ & pbMask_;
    if (!bit(probs_.isMatch[(state_ << 4) + posState])) {
      literal();
      continue;
    }
    unsigned len;
    if (!bit(probs_.isRep[state_])) {
      rep_[3] = rep_[2];
      rep_[2] = rep_[1];
      rep_[1] = rep_[0];
      len = length(probs_.matchLengths, posState);
      state_ = state_ < 7 ? 7 : 10;
      rep_[0] = distance(len);
      if (rep_[0] == kEndMarker) {
        ended_ = true;
        break;
      }
    } else {
      if (!bit(probs_.isRepG0[state_])) {
        if (!bit(probs_.isRep0Long[(state_ << 4) + posState])) {
          // One byte from the last distance.
          state_ = state_ < 7 ? 9 : 11;
          if (rep_[0] >= pos_) break;
          out_[pos_] = out_[pos_ - rep_[0] - 1];
          ++pos_;
          continue;
        }
      } else {
        uint32_t dist;
        if (!bit(probs_.isRepG1[state_])) {
          dist = rep_[1];
        } else {
          if (!bit(probs_.isRepG2[state_])) {
            dist = rep_[2];
          } else {
            dist = rep_[3];
            rep_[3] = rep_[2];
          }
          rep_[2] = rep_[1];
        }
        rep_[1] = rep_[0];
        rep_[0] = dist;
      }
      len = length(probs_.repLengths, posState);
      state_ = state_ < 7 ? 8 : 11;
    }
    if (rep_[0] >= pos_ || len + 2 > outSize_ - pos_) break;
    const uint8_t* from = out_ + pos_ - rep_[0] - 1;
    for (const size_t end = pos_ + len + 2; pos_ < end;) out_[pos_++] = *from++;
  }
  // Anything that stopped short of `until` without the end marker is broken,
  // and so is an end marker before the whole size.
  if (pos_ < until || (ended_ && pos_ < outSize_)) broken_ = true;
  return !broken_;
}

}  // namespace platform
