// Where Emscripten's GL emulation does not take a call the game makes as it
// is, the call is made in the way it does take, or left out where it would
// change nothing: the linker sends the game's calls here (-Wl,--wrap).
#include <GL/gl.h>

// The GL emulation takes the texture environment's mode only as an integer;
// the float call, which the loader makes, is passed on as that.
extern "C" void __real_glTexEnvf(GLenum target, GLenum pname, GLfloat param);
extern "C" void __wrap_glTexEnvf(GLenum target, GLenum pname, GLfloat param) {
  if (pname == GL_TEXTURE_ENV_MODE) {
    glTexEnvi(target, pname, static_cast<GLint>(param));
  } else {
    __real_glTexEnvf(target, pname, param);
  }
}

// The emulation always shades smoothly; the call would only print a notice.
extern "C" void __real_glShadeModel(GLenum mode);
extern "C" void __wrap_glShadeModel(GLenum mode) {
  if (mode != GL_SMOOTH) __real_glShadeModel(mode);
}
