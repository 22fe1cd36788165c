#include "platform/sound.h"

#include <emscripten.h>

#include <map>
#include <vector>

#include "platform/wave.h"

// Web Audio plays each clip from an AudioBuffer made on its first play, with
// all its channels (the browser mixes them down). One source sounds at a
// time; the player knows it is busy until the clip's end on the audio clock.
namespace platform {
namespace {

// What Web Audio takes: buffers of 3000 to 192000 frames a second.
const char* decode(const uint8_t* image, size_t size, WaveSamples& out) {
  Wave wave;
  if (const char* why = readWave(image, size, wave)) return why;
  if (const char* why = decodeWave(wave, out)) return why;
  if (out.rate < 3000 || out.rate > 192000) return "a sample rate the browser does not play";
  return out.frames.empty() ? "no whole sample" : nullptr;
}

bool gOpen = false;
std::map<const uint8_t*, int> gBuffers;  // image -> id of its AudioBuffer in the page, 0 if bad
int gNextId = 1;
SoundObserver gObserver;

int makeBuffer(const uint8_t* image, size_t size) {
  WaveSamples pcm;
  if (decode(image, size, pcm)) return 0;
  const int id = gNextId++;
  const int frames = static_cast<int>(pcm.frames.size()) / pcm.channels;
  const int made = EM_ASM_INT(
      {
        var tt = Module.ttAudio;
        try {
          var buffer = tt.context.createBuffer($2, $3, $4);
          for (var c = 0; c < $2; ++c) {
            var channel = buffer.getChannelData(c);
            for (var i = 0; i < $3; ++i) channel[i] = HEAPF32[($1 >> 2) + i * $2 + c];
          }
          tt.buffers[$0] = buffer;
          return 1;
        } catch (e) {
          return 0;
        }
      },
      id, pcm.frames.data(), pcm.channels, frames, pcm.rate);
  return made ? id : 0;
}

}  // namespace

bool openAudio() {
  if (gOpen) return true;
  // Made inside the click that starts the game, the browser lets it play.
  gOpen = EM_ASM_INT({
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    try {
      var context = new Context();
      Module.ttAudio = {};
      Module.ttAudio.context = context;
      Module.ttAudio.buffers = {};
      Module.ttAudio.source = null;
      Module.ttAudio.end = 0;
      // A hidden page is silent; a context made without a click (a game that
      // starts again by itself) may sound from the player's next one.
      Module.ttAudio.wake = function() {
        // Refused without a click; the next one tries again.
        var change = document.hidden ? context.suspend() : context.resume();
        if (change) change.catch(function(){});
      };
      document.addEventListener('visibilitychange', Module.ttAudio.wake);
      document.addEventListener('pointerdown', Module.ttAudio.wake);
      document.addEventListener('keydown', Module.ttAudio.wake);
      Module.ttAudio.wake();
      return 1;
    } catch (e) {
      return 0;
    }
  });
  return gOpen;
}

void closeAudio() {
  if (!gOpen) return;
  EM_ASM({
    var tt = Module.ttAudio;
    document.removeEventListener('visibilitychange', tt.wake);
    document.removeEventListener('pointerdown', tt.wake);
    document.removeEventListener('keydown', tt.wake);
    if (tt.source) tt.source.stop();
    tt.context.close();
    Module.ttAudio = null;
  });
  gOpen = false;
  gBuffers.clear();
}

bool audioOpen() { return gOpen; }

bool soundPlaying() {
  if (!gOpen) return false;
  return EM_ASM_INT({
    var tt = Module.ttAudio;
    return tt.source && tt.context.currentTime < tt.end ? 1 : 0;
  });
}

void stopSound() {
  if (!gOpen) return;
  EM_ASM({
    var tt = Module.ttAudio;
    if (tt.source) tt.source.stop();
    tt.source = null;
  });
}

bool playSound(const uint8_t* image, size_t size, unsigned flags) {
  bool started = false;
  if (gOpen && image && size > 0) {
    auto found = gBuffers.find(image);
    if (found == gBuffers.end()) found = gBuffers.emplace(image, makeBuffer(image, size)).first;
    const int id = found->second;
    if (id && !((flags & kSndNoStop) && soundPlaying())) {
      EM_ASM(
          {
            var tt = Module.ttAudio;
            if (tt.source) tt.source.stop();
            var source = tt.context.createBufferSource();
            source.buffer = tt.buffers[$0];
            source.connect(tt.context.destination);
            source.start();
            tt.source = source;
            tt.end = tt.context.currentTime + source.buffer.duration;
          },
          id);
      started = true;
    }
  }
  if (gObserver) gObserver(image, flags, started);
  return started;
}

std::string waveProblem(const uint8_t* image, size_t size) {
  WaveSamples pcm;
  const char* why = decode(image, size, pcm);
  return why ? why : "";
}

void forgetSound(const uint8_t* image) {
  auto found = gBuffers.find(image);
  if (found == gBuffers.end()) return;
  if (gOpen) {
    EM_ASM(
        {
          var tt = Module.ttAudio;
          var buffer = tt.buffers[$0];
          if (tt.source && tt.source.buffer == buffer) {
            tt.source.stop();
            tt.source = null;
          }
          delete tt.buffers[$0];
        },
        found->second);
  }
  gBuffers.erase(found);
}

void setSoundObserver(SoundObserver observer) { gObserver = std::move(observer); }

}  // namespace platform
