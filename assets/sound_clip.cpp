#include "assets/sound_clip.h"

#include <cstring>
#include <vector>

#include "assets/file_bytes.h"
#include "platform/sound.h"

namespace assets {

SoundClip loadSoundClip(const char* path) {
  std::vector<uint8_t> bytes;
  SoundClip clip;
  if (!readFileBytes(path, bytes) || bytes.empty()) return clip;
  clip.data = new uint8_t[bytes.size()];
  std::memcpy(clip.data, bytes.data(), bytes.size());
  clip.size = bytes.size();
  return clip;
}

void freeSoundClip(SoundClip& clip) {
  platform::forgetSound(clip.data);
  delete[] clip.data;
  clip = SoundClip{};
}

bool playSoundClip(const SoundClip& clip, unsigned flags) {
  return platform::playSound(clip.data, clip.size, flags);
}

}  // namespace assets
