// Any bytes as the browser's data package, through its decoder, a slice at a time.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/web/lzma.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int64_t unpacked = platform::LzmaDecoder::unpackedSize(data, size, 1 << 20);
  if (unpacked < 0) return 0;
  std::vector<uint8_t> out(static_cast<size_t>(unpacked));
  platform::LzmaDecoder decoder;
  if (!decoder.start(data, size, out.data(), out.size())) return 0;
  for (size_t until = 4096; decoder.run(until) && !decoder.finished(); until += 4096) {
  }
  return 0;
}
