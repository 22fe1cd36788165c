#include "assets/sound_clip.h"

#include <cstring>
#include <string>
#include <vector>

#include "assets/file_bytes.h"
#include "assets/report.h"
#include "platform/sound.h"

namespace assets {

SoundClip loadSoundClip(const char* path) {
  std::vector<uint8_t> bytes;
  SoundClip clip;
  const char* unreadable = nullptr;
  if (!readFileBytes(path, bytes, &unreadable) || bytes.empty()) {
    reportProblem(path, unreadable ? unreadable : "an empty file");
    return clip;
  }
  // Kept whatever it holds; the player says whether it can play it.
  if (std::string problem = platform::waveProblem(bytes.data(), bytes.size()); !problem.empty()) {
    const bool wave = bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
                      std::memcmp(bytes.data() + 8, "WAVE", 4) == 0;
    reportProblem(path, wave ? problem : notA(bytes.data(), bytes.size(), "a wave file"));
  }
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
