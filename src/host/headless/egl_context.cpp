#include "host/headless/egl_context.h"

#include <EGL/eglext.h>

#include "host/linux/egl_config.h"

#include <cstring>
#include <vector>

HeadlessContext::~HeadlessContext() {
  if (display_ == EGL_NO_DISPLAY) return;
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
  if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display_, surface_);
  eglTerminate(display_);
}

bool HeadlessContext::Create(int width, int height, std::string& error) {
  // The surfaceless platform needs no X server; the default display would.
  const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (extensions == nullptr || std::strstr(extensions, "EGL_MESA_platform_surfaceless") == nullptr) {
    error = "no OpenGL available: EGL has no surfaceless platform";
    return false;
  }
  display_ = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display_ == EGL_NO_DISPLAY) {
    error = "no OpenGL available: " + EglErrorText("eglGetPlatformDisplay");
    return false;
  }
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display_, &major, &minor)) {
    error = "no OpenGL available: " + EglErrorText("eglInitialize");
    display_ = EGL_NO_DISPLAY;
    return false;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error = "no OpenGL available: " + EglErrorText("eglBindAPI(EGL_OPENGL_API)");
    return false;
  }

  // The windows ask for 32 colour bits, 8 per channel, and a 16-bit depth
  // buffer, without stencil, accumulation or multisampling; the pbuffer gets
  // the configuration closest to that request, so that pictures and timings
  // here come from the format a window draws in.
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                                     EGL_BLUE_SIZE,    8,               EGL_DEPTH_SIZE,      16,
                                     EGL_NONE};
  EGLint found = 0;
  if (!eglChooseConfig(display_, configAttributes, nullptr, 0, &found) || found == 0) {
    error = "no OpenGL available: no pbuffer configuration with RGB and depth";
    return false;
  }
  std::vector<EGLConfig> configs(static_cast<std::size_t>(found));
  eglChooseConfig(display_, configAttributes, configs.data(), found, &found);
  configs.resize(static_cast<std::size_t>(found));
  const EGLConfig config = ClosestEglConfig(display_, configs, false);

  const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  surface_ = eglCreatePbufferSurface(display_, config, surfaceAttributes);
  if (surface_ == EGL_NO_SURFACE) {
    error = EglErrorText("eglCreatePbufferSurface") + " for " + std::to_string(width) + "x" +
            std::to_string(height);
    return false;
  }
  context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, nullptr);
  if (context_ == EGL_NO_CONTEXT) {
    error = "no OpenGL available: " + EglErrorText("eglCreateContext");
    return false;
  }
  if (!eglMakeCurrent(display_, surface_, surface_, context_)) {
    error = "no OpenGL available: " + EglErrorText("eglMakeCurrent");
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}
