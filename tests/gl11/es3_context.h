// An OpenGL ES 3 context on Mesa's surfaceless platform for the OpenGL 1.1
// layer's tests, drawing into a pbuffer of the configuration the renderer
// would choose (8-bit channels, 16 depth bits).
#pragma once

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <vector>

#include "host/linux/egl_config.h"

class Es3Context {
 public:
  bool Create(int width, int height) {
    display_ = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_ES_API))
      return false;
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES3_BIT,
                                 EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, 16, EGL_NONE};
    EGLint found = 0;
    if (!eglChooseConfig(display_, attributes, nullptr, 0, &found) || found == 0) return false;
    std::vector<EGLConfig> configs(static_cast<std::size_t>(found));
    eglChooseConfig(display_, attributes, configs.data(), found, &found);
    const EGLConfig config = ClosestEglConfig(display_, configs, false);
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    const EGLint version[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display_, config, size);
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, version);
    return surface_ != EGL_NO_SURFACE && context_ != EGL_NO_CONTEXT &&
           eglMakeCurrent(display_, surface_, surface_, context_);
  }
  ~Es3Context() {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
    eglDestroySurface(display_, surface_);
  }

 private:
  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLSurface surface_ = EGL_NO_SURFACE;
  EGLContext context_ = EGL_NO_CONTEXT;
};
