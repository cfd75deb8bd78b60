// The X11 side of the scene's seam: the system's local clock, outline glyphs
// from the Linux font layer, presenting with GLX on the current drawable, and
// the thread's pause. With --fps, the frame-rate overlay is drawn over each
// frame just before it is presented.
#pragma once

#include "frame/platform.h"

class FpsOverlay;

class X11Platform final : public Platform {
 public:
  LocalMoment LocalNow() override;
  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat* metrics) override;
  // Draws the overlay, if there is one, then swaps the current context's
  // drawable on its display.
  void SwapBuffers() override;
  void Sleep(unsigned milliseconds) override;

  void ShowOverlay(FpsOverlay* overlay) { overlay_ = overlay; }

 private:
  FpsOverlay* overlay_ = nullptr;
};
