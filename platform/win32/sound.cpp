// Sound through the window system's own player of in-memory wave images:
// sndPlaySoundA with the game's flags as they are, nothing of our own between.
#include "platform/sound.h"

#include <windows.h>
// mmsystem.h needs the types of windows.h.
#include <mmsystem.h>

#include <cstring>

namespace platform {
namespace {

static_assert(SND_ASYNC == kSndAsync && SND_MEMORY == kSndMemory && SND_NOSTOP == kSndNoStop);

const uint8_t* gStarted = nullptr;  // the image of the sound started last
SoundObserver gObserver;

uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

// The player needs no opening; whether anything can be heard is the
// system's to say.
bool openAudio() { return waveOutGetNumDevs() > 0; }

void closeAudio() { stopSound(); }

bool audioOpen() { return waveOutGetNumDevs() > 0; }

bool playSound(const uint8_t* image, size_t size, unsigned flags) {
  // A null image would stop the sounding clip instead: an empty clip plays nothing.
  bool started = false;
  if (image && size > 0) {
    started = sndPlaySoundA(reinterpret_cast<LPCSTR>(image), flags) != FALSE;
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
}

void stopSound() {
  sndPlaySoundA(nullptr, 0);
  gStarted = nullptr;
}

// The multimedia player takes plain PCM: a RIFF WAVE image whose chunks all
// fit, with a format of 1 or 2 channels of 8 or 16 bits and a data chunk.
bool waveImageDecodes(const uint8_t* image, size_t size) {
  if (!image || size < 12 || std::memcmp(image, "RIFF", 4) != 0 ||
      std::memcmp(image + 8, "WAVE", 4) != 0) {
    return false;
  }
  bool format = false, data = false;
  for (size_t at = 12; size - at >= 8;) {
    const size_t body = le32(image + at + 4);
    if (body > size - at - 8) return false;
    const uint8_t* p = image + at + 8;
    if (std::memcmp(image + at, "fmt ", 4) == 0 && body >= 16) {
      const uint16_t channels = le16(p + 2), bits = le16(p + 14);
      format = le16(p) == 1 && (channels == 1 || channels == 2) && le32(p + 4) > 0 &&
               (bits == 8 || bits == 16);
    }
    if (std::memcmp(image + at, "data", 4) == 0) data = format;
    at += 8 + body + (body & 1);
    if (at > size) break;
  }
  return format && data;
}

void setSoundObserver(SoundObserver observer) { gObserver = std::move(observer); }

}  // namespace platform
