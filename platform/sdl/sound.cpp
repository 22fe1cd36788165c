#include "platform/sound.h"

#include <SDL.h>
#include <dlfcn.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/wave.h"

namespace platform {
namespace {

struct Decoded {
  std::vector<uint8_t> samples;  // already in the device format
  bool valid = false;
};

// 25 minutes at the player's own rate: far beyond any cue.
constexpr uint64_t kMaxDecodedBytes = 64u << 20;

SDL_AudioDeviceID gDevice = 0;
SDL_AudioSpec gSpec{};
std::map<const uint8_t*, Decoded> gDecoded;
// Read by the audio thread under the device lock.
const Decoded* gCurrent = nullptr;
size_t gPosition = 0;
SoundObserver gObserver;

void SDLCALL mix(void*, Uint8* stream, int length) {
  const size_t want = static_cast<size_t>(length);
  size_t done = 0;
  if (gCurrent) {
    const size_t left = gCurrent->samples.size() - gPosition;
    done = left < want ? left : want;
    std::memcpy(stream, gCurrent->samples.data() + gPosition, done);
    gPosition += done;
    if (gPosition >= gCurrent->samples.size()) gCurrent = nullptr;
  }
  std::memset(stream + done, gSpec.silence, want - done);
}

// SDL allocates each chunk at its declared length before reading it, so a
// lying length would cost gigabytes: an image whose sizes are not all true
// goes to SDL rewritten with the true ones.
Decoded decode(const uint8_t* image, size_t size, const SDL_AudioSpec& target,
               std::string* problem = nullptr) {
  const auto fail = [problem](std::string why) {
    if (problem) *problem = std::move(why);
    return Decoded{};
  };
  Wave wave;
  if (const char* why = readWave(image, size, wave)) return fail(why);
  std::vector<uint8_t> rewritten;
  if (wave.sizesWrong) {
    rewritten = rewriteWave(wave);
    image = rewritten.data();
    size = rewritten.size();
  }
  if (size > static_cast<size_t>(INT32_MAX)) return fail("larger than the player takes");
  SDL_RWops* rw = SDL_RWFromConstMem(image, static_cast<int>(size));
  SDL_AudioSpec source{};
  Uint8* buffer = nullptr;
  Uint32 length = 0;
  if (!rw || !SDL_LoadWAV_RW(rw, 1, &source, &buffer, &length)) {
    return fail(std::string(waveEncodingName(wave.encoding)) +
                " sound, which the sound library cannot play (" + SDL_GetError() + ")");
  }
  Decoded out;
  SDL_AudioCVT cvt;
  const bool built =
      length > 0 && SDL_BuildAudioCVT(&cvt, source.format, source.channels, source.freq,
                                      target.format, target.channels, target.freq) >= 0;
  if (built && uint64_t{length} * uint64_t(cvt.len_mult) > kMaxDecodedBytes) {
    SDL_FreeWAV(buffer);
    return fail("longer than the player holds");
  }
  if (built) {
    std::vector<uint8_t> work(static_cast<size_t>(length) * static_cast<size_t>(cvt.len_mult));
    std::memcpy(work.data(), buffer, length);
    cvt.buf = work.data();
    cvt.len = static_cast<int>(length);
    if (cvt.needed == 0 || SDL_ConvertAudio(&cvt) == 0) {
      work.resize(cvt.needed ? static_cast<size_t>(cvt.len_cvt) : length);
      out.samples = std::move(work);
      out.valid = true;
    }
  }
  SDL_FreeWAV(buffer);
  if (!out.valid) return fail("no samples the sound library can convert");
  return out;
}

}  // namespace

namespace {

// Without a card alsa-lib writes its own diagnostics to stderr (eight lines
// here) before the game's one line says the same. Its error handler is
// replaced by one that says nothing, in the library SDL uses (the same
// soname, loaded once per process); the rest of stderr is left alone.
void sayNothing(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsa() {
  static void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
  if (!library) return;  // no ALSA here: nothing to silence
  auto setHandler =
      reinterpret_cast<int (*)(decltype(&sayNothing))>(dlsym(library, "snd_lib_error_set_handler"));
  if (setHandler) setHandler(sayNothing);
}

}  // namespace

// Kept up after a failed open until closeAudio: quitting it waits for the
// driver's device-watching thread, which ALSA's sleeps 100 ms at a time, so
// a machine without a card would start a tenth of a second later than one
// with it.
bool gAudioUp = false;

bool openAudio() {
  if (gDevice) return true;
  if (!gAudioUp) {
    silenceAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    gAudioUp = true;
  }
  SDL_AudioSpec want{};
  want.freq = 22050;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 512;  // ~23 ms: a cue starts within a frame
  want.callback = mix;
  gDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &gSpec, SDL_AUDIO_ALLOW_ANY_CHANGE);
  if (!gDevice) return false;
  SDL_PauseAudioDevice(gDevice, 0);
  return true;
}

void closeAudio() {
  if (gDevice) {
    SDL_CloseAudioDevice(gDevice);
    gDevice = 0;
    gCurrent = nullptr;
    gDecoded.clear();
  }
  if (gAudioUp) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  gAudioUp = false;
}

bool audioOpen() { return gDevice != 0; }

bool soundPlaying() {
  if (!gDevice) return false;
  SDL_LockAudioDevice(gDevice);
  const bool playing = gCurrent != nullptr;
  SDL_UnlockAudioDevice(gDevice);
  return playing;
}

void stopSound() {
  if (!gDevice) return;
  SDL_LockAudioDevice(gDevice);
  gCurrent = nullptr;
  SDL_UnlockAudioDevice(gDevice);
}

bool playSound(const uint8_t* image, size_t size, unsigned flags) {
  bool started = false;
  if (gDevice && image && size > 0) {
    auto found = gDecoded.find(image);
    if (found == gDecoded.end()) found = gDecoded.emplace(image, decode(image, size, gSpec)).first;
    const Decoded& clip = found->second;
    SDL_LockAudioDevice(gDevice);
    const bool busy = gCurrent != nullptr;
    if (clip.valid && !(busy && (flags & kSndNoStop))) {
      gCurrent = &clip;
      gPosition = 0;
      started = true;
    }
    SDL_UnlockAudioDevice(gDevice);
  }
  if (gObserver) gObserver(image, flags, started);
  return started;
}

std::string waveProblem(const uint8_t* image, size_t size) {
  SDL_AudioSpec target = gSpec;
  if (!gDevice) {
    target.freq = 22050;
    target.format = AUDIO_S16SYS;
    target.channels = 1;
  }
  std::string problem;
  decode(image, size, target, &problem);
  return problem;
}

void forgetSound(const uint8_t* image) {
  auto found = gDecoded.find(image);
  if (found == gDecoded.end()) return;
  if (gDevice) SDL_LockAudioDevice(gDevice);
  if (gCurrent == &found->second) gCurrent = nullptr;
  if (gDevice) SDL_UnlockAudioDevice(gDevice);
  gDecoded.erase(found);
}

void setSoundObserver(SoundObserver observer) { gObserver = std::move(observer); }

}  // namespace platform
