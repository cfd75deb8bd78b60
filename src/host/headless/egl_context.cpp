#include "host/headless/egl_context.h"

#include <EGL/eglext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <vector>

namespace {

std::string EglErrorText(const char* what) {
  char code[32];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
  return std::string(what) + " failed (EGL error " + code + ")";
}

EGLint Attribute(EGLDisplay display, EGLConfig config, EGLint attribute) {
  EGLint value = 0;
  eglGetConfigAttrib(display, config, attribute, &value);
  return value;
}

// How far a configuration is from the windows' pixel format; smaller is
// closer, compared element by element: 8 bits in each of red, green and blue
// (wider channels round differently and cost the rasteriser more), then 16
// depth bits, no multisampling, no caveat, colour bits nearest 32, as few
// stencil bits as there are.
auto FormatDistance(EGLDisplay display, EGLConfig config) {
  const EGLint red = Attribute(display, config, EGL_RED_SIZE), green = Attribute(display, config, EGL_GREEN_SIZE),
               blue = Attribute(display, config, EGL_BLUE_SIZE), alpha = Attribute(display, config, EGL_ALPHA_SIZE);
  const EGLint depth = Attribute(display, config, EGL_DEPTH_SIZE);
  return std::make_tuple(std::abs(red - 8) + std::abs(green - 8) + std::abs(blue - 8), std::abs(depth - 16),
                         Attribute(display, config, EGL_SAMPLE_BUFFERS) > 0 ? 1 : 0,
                         Attribute(display, config, EGL_CONFIG_CAVEAT) == EGL_NONE ? 0 : 1,
                         std::abs(red + green + blue + alpha - 32), Attribute(display, config, EGL_STENCIL_SIZE));
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
  EGLConfig config = configs.front();
  auto best = FormatDistance(display_, config);
  for (EGLConfig candidate : configs) {
    const auto distance = FormatDistance(display_, candidate);
    if (distance < best) {
      best = distance;
      config = candidate;
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
