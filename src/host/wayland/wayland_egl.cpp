#include "host/wayland/wayland_egl.h"

#include <EGL/eglext.h>

#include <cstring>
#include <vector>

#include "host/linux/egl_config.h"

WaylandEgl::~WaylandEgl() {
  if (display_ == EGL_NO_DISPLAY) return;
  ReleaseCurrent();
  if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
  eglTerminate(display_);
}

bool WaylandEgl::Initialize(wl_display* display, std::string& error) {
  const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (extensions == nullptr || (std::strstr(extensions, "EGL_KHR_platform_wayland") == nullptr &&
                                std::strstr(extensions, "EGL_EXT_platform_wayland") == nullptr)) {
    error = "no OpenGL available: EGL has no Wayland platform";
    return false;
  }
  display_ = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, display, nullptr);
  EGLint major = 0, minor = 0;
  if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, &major, &minor)) {
    error = "no OpenGL available: " + EglErrorText("eglInitialize on the Wayland display");
    display_ = EGL_NO_DISPLAY;
    return false;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error = "no OpenGL available: " + EglErrorText("eglBindAPI(EGL_OPENGL_API)");
    return false;
  }
  // The windows ask for 8 bits per colour channel and a 16-bit depth buffer,
  // double-buffered; the closest configuration without alpha is taken.
  const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                           EGL_RED_SIZE,     8,              EGL_GREEN_SIZE,      8,
                           EGL_BLUE_SIZE,    8,              EGL_DEPTH_SIZE,      16,
                           EGL_NONE};
  EGLint found = 0;
  if (!eglChooseConfig(display_, wanted, nullptr, 0, &found) || found == 0) {
    error = "no OpenGL available: no window configuration with RGB and depth";
    return false;
  }
  std::vector<EGLConfig> configs(static_cast<std::size_t>(found));
  eglChooseConfig(display_, wanted, configs.data(), found, &found);
  configs.resize(static_cast<std::size_t>(found));
  config_ = ClosestEglConfig(display_, configs, true);
  return true;
}

EGLSurface WaylandEgl::CreateSurface(wl_egl_window* window, std::string& error) {
  const EGLSurface surface = eglCreatePlatformWindowSurface(display_, config_, window, nullptr);
  if (surface == EGL_NO_SURFACE) error = EglErrorText("eglCreatePlatformWindowSurface");
  return surface;
}

void WaylandEgl::DestroySurface(EGLSurface surface) {
  if (surface == EGL_NO_SURFACE) return;
  if (eglGetCurrentSurface(EGL_DRAW) == surface) ReleaseCurrent();
  eglDestroySurface(display_, surface);
}

bool WaylandEgl::MakeCurrent(EGLSurface surface, std::string& error) {
  if (context_ == EGL_NO_CONTEXT) {
    // Compatibility: the scene draws in immediate mode with the fixed
    // function. (Only contexts of version 3.2 and later have profiles; the
    // attribute says what is wanted should a library pick one anyway.)
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                 EGL_NONE};
    context_ = eglCreateContext(display_, config_, EGL_NO_CONTEXT, attributes);
    if (context_ == EGL_NO_CONTEXT) {
      error = "no OpenGL available: " + EglErrorText("eglCreateContext");
      return false;
    }
  }
  if (!eglMakeCurrent(display_, surface, surface, context_)) {
    error = EglErrorText("eglMakeCurrent");
    return false;
  }
  eglSwapInterval(display_, 0);
  return true;
}

bool WaylandEgl::MakeCurrentWithoutSurface() {
  return context_ != EGL_NO_CONTEXT && eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
}

void WaylandEgl::ReleaseCurrent() {
  if (display_ != EGL_NO_DISPLAY) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}
