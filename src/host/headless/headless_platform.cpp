#include "host/headless/headless_platform.h"

#include "base/opengl.h"
#include "host/linux_font/outline_glyphs.h"
#include "host/time/local_clock.h"

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
