#include "host/linux/egl_config.h"

#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace {

EGLint Attribute(EGLDisplay display, EGLConfig config, EGLint attribute) {
  EGLint value = 0;
  eglGetConfigAttrib(display, config, attribute, &value);
  return value;
}

// Smaller is closer, compared element by element.
auto FormatDistance(EGLDisplay display, EGLConfig config, bool opaque) {
  const EGLint red = Attribute(display, config, EGL_RED_SIZE), green = Attribute(display, config, EGL_GREEN_SIZE),
               blue = Attribute(display, config, EGL_BLUE_SIZE), alpha = Attribute(display, config, EGL_ALPHA_SIZE);
  const EGLint depth = Attribute(display, config, EGL_DEPTH_SIZE);
  return std::make_tuple(opaque && alpha > 0 ? 1 : 0,
                         std::abs(red - 8) + std::abs(green - 8) + std::abs(blue - 8), std::abs(depth - 16),
                         Attribute(display, config, EGL_SAMPLE_BUFFERS) > 0 ? 1 : 0,
                         Attribute(display, config, EGL_CONFIG_CAVEAT) == EGL_NONE ? 0 : 1,
                         std::abs(red + green + blue + alpha - 32), Attribute(display, config, EGL_STENCIL_SIZE));
}

}  // namespace

EGLConfig ClosestEglConfig(EGLDisplay display, const std::vector<EGLConfig>& candidates, bool opaque) {
  EGLConfig best = candidates.front();
  auto bestDistance = FormatDistance(display, best, opaque);
  for (EGLConfig candidate : candidates) {
    const auto distance = FormatDistance(display, candidate, opaque);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = candidate;
    }
  }
  return best;
}

std::string EglErrorText(const char* what) {
  char code[32];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
  return std::string(what) + " failed (EGL error " + code + ")";
}
