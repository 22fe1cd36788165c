// The floor for the game's start: what any SDL program that shows the same
// window pays before its first frame. It opens the game's window with the
// same GL surface and context, opens the default sound device as the game
// does, clears and swaps once, and ends. tools/measure_start.sh times it
// against the game.
#include <SDL.h>
#include <SDL_opengl.h>

namespace {

void SDLCALL silence(void*, Uint8* stream, int length) { SDL_memset(stream, 0, length); }

}  // namespace

int main(int, char**) {
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return 1;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_Window* window =
      SDL_CreateWindow("Tabletumble v1.1", 50, 50, 960, 640, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) return 1;
  SDL_ShowWindow(window);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) return 1;
  SDL_GL_SetSwapInterval(0);
  // The game's own request; without a device the open fails and the program goes on.
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    SDL_AudioSpec want{}, have{};
    want.freq = 22050;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    want.callback = silence;
    if (SDL_AudioDeviceID device =
            SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_ANY_CHANGE))
      SDL_PauseAudioDevice(device, 0);
  }
  glViewport(0, 0, 960, 640);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SDL_GL_SwapWindow(window);
  SDL_Quit();
  return 0;
}
