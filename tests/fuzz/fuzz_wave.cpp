// Any bytes as an in-memory wave image, through the sound player's decoding.
#include <cstddef>
#include <cstdint>

#include "platform/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::waveImageDecodes(data, size);
  return 0;
}
