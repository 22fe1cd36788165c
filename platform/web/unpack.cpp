// unpack.wasm: the data package's decoder for the page's worker
// (platform/web/unpack_worker.js). The worker places the package and room for its
// output in the module's memory past everything the module itself uses, then
// unpacks a slice at a time: the browser compiles a long-running call once
// more, optimised, only when it is called again.
#include "platform/web/lzma.h"

namespace {
platform::LzmaDecoder decoder;
}

// The unpacked size the package's header gives, or -1.
extern "C" double tt_unpacked_size(const uint8_t* stream, uint32_t size) {
  return static_cast<double>(platform::LzmaDecoder::unpackedSize(stream, size, 0x7fffffff));
}

extern "C" int tt_unpack_start(const uint8_t* stream, uint32_t size, uint8_t* out,
                               uint32_t outSize) {
  return decoder.start(stream, size, out, outSize) ? 0 : -1;
}

// Bytes unpacked so far, at least `until` unless the end comes first; -1 once broken.
extern "C" double tt_unpack_run(uint32_t until) {
  return decoder.run(until) ? static_cast<double>(decoder.done()) : -1;
}
