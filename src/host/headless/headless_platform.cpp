#include "host/headless/headless_platform.h"

#include <ctime>

#include "host/linux_font/outline_glyphs.h"
#include "host/opengl.h"

LocalMoment SystemLocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  LocalMoment moment;
  moment.Year = static_cast<std::uint16_t>(local.tm_year + 1900);
  moment.Month = static_cast<std::uint16_t>(local.tm_mon + 1);
  moment.Day = static_cast<std::uint16_t>(local.tm_mday);
  moment.Hour = static_cast<std::uint16_t>(local.tm_hour);
  moment.Minute = static_cast<std::uint16_t>(local.tm_min);
  moment.Second = static_cast<std::uint16_t>(local.tm_sec > 59 ? 59 : local.tm_sec);  // leap second
  moment.Millisecond = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
  return moment;
}

LocalMoment HeadlessPlatform::LocalNow() { return frozen_ ? *frozen_ : SystemLocalNow(); }

int HeadlessPlatform::UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase,
                                      float extrusion, GlyphMetricsFloat* metrics) {
  return UseFontOutlinesLinux(face, first, count, listBase, extrusion, metrics);
}

// A pbuffer has no front buffer to show; finishing the frame is what the
// picture needs before it is read back.
void HeadlessPlatform::SwapBuffers() {
  glFinish();
  ++swaps_;
}

// Rendering offline, the preview's pace would only slow the picture down.
void HeadlessPlatform::Sleep(unsigned) {}
