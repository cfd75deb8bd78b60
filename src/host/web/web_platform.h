// The web page's side of the scene's seam: the browser's local clock (or a
// frozen, stepped moment from the URL), outline glyphs replayed from the
// fonts baked at build time, presenting by returning to the browser, and the
// preview's pause as a later next frame (a page must never block).
#pragma once

#include <optional>

#include "frame/platform.h"

class FrameGate;

class WebPlatform final : public Platform {
 public:
  explicit WebPlatform(FrameGate& gate) : gate_(gate) {}

  LocalMoment LocalNow() override;
  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat* metrics) override;
  void SwapBuffers() override;
  void Sleep(unsigned milliseconds) override;

  // From the next reading on the clock shows `moment`; nothing: the real clock.
  void Freeze(std::optional<LocalMoment> moment) { frozen_ = moment; }

 private:
  FrameGate& gate_;
  std::optional<LocalMoment> frozen_;
};
