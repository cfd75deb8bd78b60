#include "host/headless/egl_context.h"

#include <EGL/eglext.h>

#include <cstring>

namespace {

std::string EglErrorText(const char* what) {
  char code[32];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
  return std::string(what) + " failed (EGL error " + code + ")";
}

}  // namespace

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

  // The windows ask for 32-bit RGBA with a 16-bit depth buffer and nothing else.
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                                     EGL_BLUE_SIZE,    8,               EGL_DEPTH_SIZE,      16,
                                     EGL_NONE};
  EGLConfig configs[64];
  EGLint found = 0;
  if (!eglChooseConfig(display_, configAttributes, configs, 64, &found) || found == 0) {
    error = "no OpenGL available: no pbuffer configuration with RGB and depth";
    return false;
  }
  // Prefer the configuration closest to the windows' request: 16 depth bits.
  EGLConfig config = configs[0];
  for (EGLint i = 0; i < found; ++i) {
    EGLint depth = 0;
    eglGetConfigAttrib(display_, configs[i], EGL_DEPTH_SIZE, &depth);
    if (depth == 16) {
      config = configs[i];
      break;
    }
  }

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
