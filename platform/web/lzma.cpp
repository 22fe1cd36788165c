#include "platform/web/lzma.h"

#include "LzmaDec.h"
#include "platform/bytes.h"

namespace platform {
namespace {

static_assert(sizeof(CLzmaProb) == sizeof(uint16_t));

CLzmaDec& state(unsigned char* storage) { return *reinterpret_cast<CLzmaDec*>(storage); }

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
  static_assert(sizeof(CLzmaDec) <= kStateSize && alignof(CLzmaDec) <= 8);
  broken_ = true;
  if (unpackedSize(stream, size, outSize) != static_cast<int64_t>(outSize) ||
      size < kHeaderSize + 5 || stream[kHeaderSize] != 0 || outSize > UINT32_MAX) {
    return false;
  }
  CLzmaDec& d = state(state_);
  LzmaDec_Construct(&d);
  if (LzmaProps_Decode(&d.prop, stream, LZMA_PROPS_SIZE) != SZ_OK) return false;
  // The tables are ours, so the SDK's allocator is never asked; the whole
  // output is the dictionary, as in the SDK's own one-call LzmaDecode.
  d.probs = probs_;
  d.numProbs = kProbs;
  d.dic = out;
  d.dicBufSize = outSize;
  LzmaDec_Init(&d);
  in_ = stream + kHeaderSize;
  inEnd_ = stream + size;
  outSize_ = outSize;
  pos_ = 0;
  broken_ = ended_ = false;
  // An empty package is checked for its end at once.
  return outSize > 0 || run(0);
}

bool LzmaDecoder::run(size_t until) {
  if (until > outSize_) until = outSize_;
  if (broken_ || ended_ || (pos_ >= until && until < outSize_)) return !broken_;
  CLzmaDec& d = state(state_);
  SizeT read = static_cast<SizeT>(inEnd_ - in_);
  ELzmaStatus status;
  // At the whole size the stream must end there: a match that runs past it,
  // or anything but the end marker after it, is an error of the SDK's.
  const ELzmaFinishMode mode = until == outSize_ ? LZMA_FINISH_END : LZMA_FINISH_ANY;
  const SRes result = LzmaDec_DecodeToDic(&d, until, in_, &read, mode, &status);
  in_ += read;
  pos_ = d.dicPos;
  // Short of `until` the stream has ended: its end marker came before the
  // whole size, or its bytes ran out.
  if (result != SZ_OK || pos_ < until) broken_ = true;
  ended_ = mode == LZMA_FINISH_END;
  return !broken_;
}

}  // namespace platform
