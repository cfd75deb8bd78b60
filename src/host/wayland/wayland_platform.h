// The Wayland side of the scene's seam: the system's local clock, outline
// glyphs from the Linux font layer, presenting with EGL on the current
// surface after asking for the next frame's callback, and the thread's pause.
// With --fps, the frame-rate overlay is drawn over each frame just before it
// is presented.
#pragma once

#include "frame/platform.h"

class FpsOverlay;
class SceneSurface;

class WaylandPlatform final : public Platform {
 public:
  LocalMoment LocalNow() override;
  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat* metrics) override;
  void SwapBuffers() override;
  void Sleep(unsigned milliseconds) override;

  void ShowOverlay(FpsOverlay* overlay) { overlay_ = overlay; }
  // The surface the frames are presented on.
  void PresentOn(SceneSurface* surface) { surface_ = surface; }

 private:
  FpsOverlay* overlay_ = nullptr;
  SceneSurface* surface_ = nullptr;
};
