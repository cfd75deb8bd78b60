#include "host/wayland/wayland_platform.h"

#include <EGL/egl.h>

#include <chrono>
#include <thread>

#include "host/linux/fps_overlay.h"
#include "host/linux_font/outline_glyphs.h"
#include "host/time/local_clock.h"
#include "host/wayland/scene_surface.h"

LocalMoment WaylandPlatform::LocalNow() { return SystemLocalNow(); }

int WaylandPlatform::UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase,
                                     float extrusion, GlyphMetricsFloat* metrics) {
  return UseFontOutlinesLinux(face, first, count, listBase, extrusion, metrics);
}

void WaylandPlatform::SwapBuffers() {
  const EGLDisplay display = eglGetCurrentDisplay();
  const EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
  if (display == EGL_NO_DISPLAY || surface == EGL_NO_SURFACE) return;
  if (overlay_ != nullptr) overlay_->Draw();
  if (surface_ != nullptr) surface_->RequestFrame();
  eglSwapBuffers(display, surface);
}

void WaylandPlatform::Sleep(unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
