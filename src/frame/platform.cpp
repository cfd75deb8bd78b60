#include "frame/platform.h"

namespace {

// Stands in until a host installs itself: a fixed moment, no font, no output.
class NoPlatform final : public Platform {
 public:
  LocalMoment LocalNow() override { return {2000, 1, 1, 0, 0, 0, 0}; }
  int UseFontOutlines(const char*, unsigned, unsigned, unsigned, float, GlyphMetricsFloat*) override {
    return 0;
  }
  void SwapBuffers() override {}
  void Sleep(unsigned) override {}
};

NoPlatform noPlatform;
Platform* current = &noPlatform;

}  // namespace

void UsePlatform(Platform* platform) { current = platform ? platform : &noPlatform; }

Platform& CurrentPlatform() { return *current; }
