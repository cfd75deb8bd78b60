// The platform of the benchmarks that draw with the Linux outline font: a
// fixed moment (14:25:10 on 20 December), no pause, and a present that, when
// asked, waits for the frame to be drawn so that its cost falls in the frame.
#pragma once

#include "base/opengl.h"
#include "frame/platform.h"
#include "host/linux_font/outline_glyphs.h"

class OutlineBenchPlatform final : public Platform {
 public:
  explicit OutlineBenchPlatform(bool finishOnSwap) : finishOnSwap_(finishOnSwap) {}

  LocalMoment LocalNow() override { return {2026, 12, 20, 14, 25, 10, 0}; }
  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat* metrics) override {
    return UseFontOutlinesLinux(face, first, count, listBase, extrusion, metrics);
  }
  void SwapBuffers() override {
    if (finishOnSwap_) glFinish();
  }
  void Sleep(unsigned) override {}

 private:
  bool finishOnSwap_;
};
