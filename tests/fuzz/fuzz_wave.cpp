// Any bytes as an in-memory wave image: through the sound player's own
// decoding, and through the shared reader and decoder, whose copy with true
// sizes must read back as the same sound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/sound.h"
#include "platform/wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::waveProblem(data, size);
  platform::Wave wave;
  if (platform::readWave(data, size, wave)) return 0;
  platform::WaveSamples samples;
  platform::decodeWave(wave, samples);
  const std::vector<uint8_t> again = platform::rewriteWave(wave);
  platform::Wave reread;
  if (platform::readWave(again.data(), again.size(), reread) || reread.sizesWrong ||
      reread.encoding != wave.encoding || reread.dataSize != wave.dataSize ||
      reread.formatSize != wave.formatSize) {
    __builtin_trap();
  }
  return 0;
}
