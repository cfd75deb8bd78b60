// A headless OpenGL context: EGL on Mesa's surfaceless platform with a pbuffer
// of the picture's size. No display server is needed.
#pragma once

#include <string>

#include <EGL/egl.h>

class HeadlessContext {
 public:
  HeadlessContext() = default;
  HeadlessContext(const HeadlessContext&) = delete;
  HeadlessContext& operator=(const HeadlessContext&) = delete;
  ~HeadlessContext();

  // Creates the context and makes it current on the calling thread. On failure
  // returns false and says why in `error`.
  bool Create(int width, int height, std::string& error);

  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLSurface surface_ = EGL_NO_SURFACE;
  EGLContext context_ = EGL_NO_CONTEXT;
  int width_ = 0;
  int height_ = 0;
};
