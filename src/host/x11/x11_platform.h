// The X11 side of the scene's seam: the system's local clock, outline glyphs
// from the Linux font layer, presenting with GLX on the current drawable, and
// the thread's pause.
#pragma once

#include "frame/platform.h"

class X11Platform final : public Platform {
 public:
  LocalMoment LocalNow() override;
  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat* metrics) override;
  // Swaps the current context's drawable on its display.
  void SwapBuffers() override;
  void Sleep(unsigned milliseconds) override;
};
