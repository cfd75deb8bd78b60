// The one place the project includes OpenGL. On Windows <GL/gl.h> needs the
// calling-convention macros of <windows.h> first; everywhere else it stands alone.
// In a web build (and in native builds of the scene for the web's OpenGL layer,
// QUILLMOOR_GL11_LAYER) the OpenGL 1.1 names lead to the project's own layer on
// OpenGL ES 3 / WebGL 2 instead.
#pragma once

#if defined(__EMSCRIPTEN__) || defined(QUILLMOOR_GL11_LAYER)
#include "gl11/gl11.h"
#else

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <GL/gl.h>
#include <GL/glu.h>
#endif
