// A player of in-memory wave images. One clip sounds at a time and a play
// call never waits for the sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Flag values of the desktop multimedia call the game's cues were tuned with.
enum SoundFlags : unsigned {
  kSndAsync = 0x01,
  kSndMemory = 0x04,
  kSndNoStop = 0x10,  // drop the new clip while any clip is sounding
};

// Opens the default audio device. Without one (no sound card, or a driver
// that cannot open), this returns false and every play call does nothing.
bool openAudio();
void closeAudio();
bool audioOpen();

// Plays a RIFF wave image held in memory. Without kSndNoStop the new clip
// cuts off whatever sounds, the same clip included, which starts over. The
// image must stay unchanged and alive while the player knows it: it is
// decoded and converted to the device format once, on its first play.
// Returns whether the clip started.
bool playSound(const uint8_t* image, size_t size, unsigned flags);
bool soundPlaying();
// Drops what the player remembers of an image that is about to be freed.
void forgetSound(const uint8_t* image);
void stopSound();

// What keeps the player from playing the image, as a short phrase ("no data
// chunk", "GSM 6.10 sound, which ..."); empty when it can play it. Decodes as
// a play would, to the device format or, with no device open, to 22050 Hz
// mono 16-bit, and keeps nothing.
std::string waveProblem(const uint8_t* image, size_t size);

// Sees every play call with its outcome; for tests.
using SoundObserver = std::function<void(const uint8_t* image, unsigned flags, bool started)>;
void setSoundObserver(SoundObserver observer);

}  // namespace platform
