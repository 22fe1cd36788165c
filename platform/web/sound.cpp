#include "platform/sound.h"

#include <emscripten.h>

#include <cstring>
#include <map>
#include <vector>

// Web Audio plays each clip from an AudioBuffer made on its first play. One
// source sounds at a time; the player knows it is busy until the clip's end
// on the audio clock.
namespace platform {
namespace {

struct Pcm {
  int rate = 0;
  int channels = 0;
  std::vector<float> samples;  // interleaved, -1 to 1
};

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Reads 8- or 16-bit PCM from a RIFF wave image; every chunk must fit in it.
bool decode(const uint8_t* image, size_t size, Pcm& out) {
  if (!image || size < 12 || std::memcmp(image, "RIFF", 4) != 0 ||
      std::memcmp(image + 8, "WAVE", 4) != 0) {
    return false;
  }
  int format = 0, bits = 0;
  const uint8_t* data = nullptr;
  size_t dataSize = 0;
  size_t at = 12;
  while (size - at >= 8) {
    const size_t body = le32(image + at + 4);
    if (body > size - at - 8) return false;
    const uint8_t* p = image + at + 8;
    if (std::memcmp(image + at, "fmt ", 4) == 0 && body >= 16) {
      format = le16(p);
      out.channels = le16(p + 2);
      out.rate = static_cast<int>(le32(p + 4));
      bits = le16(p + 14);
    } else if (std::memcmp(image + at, "data", 4) == 0) {
      data = p;
      dataSize = body;
    }
    at += 8 + body + (body & 1);
    if (at > size) break;
  }
  if (format != 1 || (bits != 8 && bits != 16) || out.channels < 1 || out.channels > 2 ||
      out.rate < 3000 || out.rate > 192000 || !data) {
    return false;
  }
  const size_t width = static_cast<size_t>(bits / 8);
  const size_t count = dataSize / width / static_cast<size_t>(out.channels) * out.channels;
  if (count == 0) return false;
  out.samples.resize(count);
  for (size_t i = 0; i < count; ++i) {
    out.samples[i] =
        bits == 8 ? (data[i] - 128) / 128.0f : static_cast<int16_t>(le16(data + 2 * i)) / 32768.0f;
  }
  return true;
}

bool gOpen = false;
std::map<const uint8_t*, int> gBuffers;  // image -> id of its AudioBuffer in the page, 0 if bad
int gNextId = 1;
SoundObserver gObserver;

int makeBuffer(const uint8_t* image, size_t size) {
  Pcm pcm;
  if (!decode(image, size, pcm)) return 0;
  const int id = gNextId++;
  const int frames = static_cast<int>(pcm.samples.size()) / pcm.channels;
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
      id, pcm.samples.data(), pcm.channels, frames, pcm.rate);
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

bool waveImageDecodes(const uint8_t* image, size_t size) {
  Pcm pcm;
  return decode(image, size, pcm);
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
