// The one place the project includes OpenGL. On Windows <GL/gl.h> needs the
// calling-convention macros of <windows.h> first; everywhere else it stands alone.
#pragma once

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
