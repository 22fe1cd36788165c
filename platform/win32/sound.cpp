// Sound through the window system's own player of in-memory wave images:
// sndPlaySoundA with the game's flags as they are. The player takes only the
// image's address and believes the sizes written in it, so an image whose
// sizes are not true (written through a pipe, cut short) is handed over as a
// copy with the true ones.
#include "platform/sound.h"

#include <windows.h>
// mmsystem.h needs the types of windows.h.
#include <mmsystem.h>

#include <map>
#include <vector>

#include "platform/wave.h"

namespace platform {
namespace {

static_assert(SND_ASYNC == kSndAsync && SND_MEMORY == kSndMemory && SND_NOSTOP == kSndNoStop);

const uint8_t* gStarted = nullptr;  // the image of the sound started last
SoundObserver gObserver;
std::map<const uint8_t*, std::vector<uint8_t>> gRewritten;  // image -> the copy played for it

// What the player is given for an image: itself, its copy with true sizes, or
// nothing where it would read past the image's end. An image it cannot play
// still goes to it while its header is whole: it then plays the system's
// default sound.
const uint8_t* playable(const uint8_t* image, size_t size) {
  auto found = gRewritten.find(image);
  if (found != gRewritten.end()) return found->second.data();
  Wave wave;
  const char* problem = readWave(image, size, wave);
  if (!wave.sizesWrong) return size < 12 ? nullptr : image;
  if (problem) return nullptr;
  return gRewritten.emplace(image, rewriteWave(wave)).first->second.data();
}

}  // namespace

// The player needs no opening; whether anything can be heard is the
// system's to say.
bool openAudio() { return waveOutGetNumDevs() > 0; }

void closeAudio() { stopSound(); }

bool audioOpen() { return waveOutGetNumDevs() > 0; }

bool playSound(const uint8_t* image, size_t size, unsigned flags) {
  // A null image would stop the sounding clip instead: an empty clip plays nothing.
  bool started = false;
  const uint8_t* play = image && size > 0 ? playable(image, size) : nullptr;
  if (play) {
    started = sndPlaySoundA(reinterpret_cast<LPCSTR>(play), flags) != FALSE;
    if (started) gStarted = image;
  }
  if (gObserver) gObserver(image, flags, started);
  return started;
}

// The system does not tell whether its sound still plays.
bool soundPlaying() { return false; }

void forgetSound(const uint8_t* image) {
  // The player reads the image while it sounds; it must let go first.
  if (image && image == gStarted) stopSound();
  gRewritten.erase(image);
}

void stopSound() {
  sndPlaySoundA(nullptr, 0);
  gStarted = nullptr;
}

// The system plays what its codecs decode; every Windows has these.
std::string waveProblem(const uint8_t* image, size_t size) {
  Wave wave;
  if (const char* why = readWave(image, size, wave)) return why;
  switch (wave.encoding) {
    case kWavePcm:
    case kWaveFloat:
    case kWaveALaw:
    case kWaveMuLaw:
    case kWaveImaAdpcm:
    case kWaveMsAdpcm:
    case kWaveGsm:
    case kWaveMp3:
      return "";
    default:
      return std::string(waveEncodingName(wave.encoding)) + " sound, which Windows does not play";
  }
}

void setSoundObserver(SoundObserver observer) { gObserver = std::move(observer); }

}  // namespace platform
