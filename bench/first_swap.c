/* Preloaded into a program by tools/measure_start.sh: at the end of its first
 * buffer swap it writes the microseconds since TT_START_US (the wall clock the
 * script read just before starting the program) to the file TT_FIRST_SWAP_FILE
 * names, and ends the process at once: every program is timed from its start
 * to the same moment, and none spends time on its way out. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/time.h>
#include <unistd.h>

void SDL_GL_SwapWindow(void* window) {
  void (*swap)(void*) = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  if (swap) swap(window);
  struct timeval now;
  gettimeofday(&now, NULL);
  const char* path = getenv("TT_FIRST_SWAP_FILE");
  FILE* out = path ? fopen(path, "w") : NULL;
  if (out) {
    const char* start = getenv("TT_START_US");
    const long long us = (long long)now.tv_sec * 1000000 + now.tv_usec;
    fprintf(out, "%lld\n", us - (start ? atoll(start) : 0));
    fclose(out);
  }
  _exit(0);
}
