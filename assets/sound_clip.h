// A wave file held whole in memory and played from there.
#pragma once

#include <cstddef>
#include <cstdint>

namespace assets {

struct SoundClip {
  uint8_t* data = nullptr;  // the file's bytes, RIFF header included
  size_t size = 0;
};

// Reads the whole file, byte for byte, into one heap buffer that lives for
// the rest of the run. A missing or unreadable file gives an empty clip,
// which plays nothing.
SoundClip loadSoundClip(const char* path);
// Frees a clip's buffer; the game itself never does, tests do.
void freeSoundClip(SoundClip& clip);

// Plays the clip with the player's flags: 5 cuts off whatever sounds,
// 0x15 is dropped while any clip sounds. Never waits.
bool playSoundClip(const SoundClip& clip, unsigned flags);

}  // namespace assets
