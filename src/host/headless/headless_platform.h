// The headless host's side of the seam: a frozen moment or the real local
// clock, outline glyphs from the Linux font layer, and no real presenting or
// pausing (the picture is read back from the pbuffer instead).
#pragma once

#include <optional>

#include "frame/platform.h"

class HeadlessPlatform final : public Platform {
 public:
  explicit HeadlessPlatform(std::optional<LocalMoment> frozen) : frozen_(frozen) {}

  LocalMoment LocalNow() override;
  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat* metrics) override;
  void SwapBuffers() override;
  void Sleep(unsigned milliseconds) override;

  int SwapCount() const { return swaps_; }
  // Freezes the clock at `moment` from the next reading on.
  void Freeze(const LocalMoment& moment) { frozen_ = moment; }

 private:
  std::optional<LocalMoment> frozen_;
  int swaps_ = 0;
};
