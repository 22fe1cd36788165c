// What the tests use of POSIX that the Windows runtime names otherwise or
// hides (M_PI); forced into every test source of the Windows build.
#pragma once

#define _USE_MATH_DEFINES

#include <direct.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && getenv(name)) return 0;
  return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline char* mkdtemp(char* pattern) {
  return _mktemp_s(pattern, strlen(pattern) + 1) == 0 && _mkdir(pattern) == 0 ? pattern : nullptr;
}
