#include "host/x11/x11_platform.h"

#include <GL/glx.h>

#include <chrono>
#include <thread>

#include "host/linux/fps_overlay.h"
#include "host/linux_font/outline_glyphs.h"
#include "host/time/local_clock.h"

LocalMoment X11Platform::LocalNow() { return SystemLocalNow(); }

int X11Platform::UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase,
                                 float extrusion, GlyphMetricsFloat* metrics) {
  return UseFontOutlinesLinux(face, first, count, listBase, extrusion, metrics);
}

void X11Platform::SwapBuffers() {
  Display* display = glXGetCurrentDisplay();
  const GLXDrawable drawable = glXGetCurrentDrawable();
  if (display == nullptr || drawable == None) return;
  if (overlay_ != nullptr) overlay_->Draw();
  glXSwapBuffers(display, drawable);
}

void X11Platform::Sleep(unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
