// OpenGL 1.1 and GLU for the code above the platform layer. The Windows
// headers of both expect the window system's calling-convention macros to be
// defined already; they are given here just for the two includes, so no
// system header of the window system reaches the game's code.
#pragma once

#if defined(_WIN32) && !defined(APIENTRY)
#define APIENTRY __stdcall
#define WINGDIAPI __declspec(dllimport)
#define CALLBACK __stdcall
#define TT_GL_OWN_MACROS
#endif

#include <GL/gl.h>
#include <GL/glu.h>

#ifdef TT_GL_OWN_MACROS
#undef APIENTRY
#undef WINGDIAPI
#undef CALLBACK
#undef TT_GL_OWN_MACROS
#endif
