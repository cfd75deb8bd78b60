// A platform for unit tests: a settable moment, counted presents and pauses in
// the order they happen, and (optionally) a font conversion that fills metrics
// with a known advance per code.
#pragma once

#include <string>
#include <vector>

#include "frame/platform.h"

class FakePlatform final : public Platform {
 public:
  LocalMoment moment{2026, 12, 20, 14, 25, 10, 0};
  std::vector<std::string> events;  // "swap", "sleep 40", "font Tahoma 0.1 0 255 base"
  float advancePerCode = 0;         // cell increment x of record k = k * advancePerCode

  LocalMoment LocalNow() override { return moment; }
  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat* metrics) override {
    events.push_back("font " + std::string(face) + " " + std::to_string(extrusion) + " " + std::to_string(first) +
                     " " + std::to_string(count) + " " + std::to_string(listBase));
    for (unsigned k = 0; k < count; ++k) metrics[k].CellIncX = static_cast<float>(first + k) * advancePerCode;
    return 1;
  }
  void SwapBuffers() override { events.push_back("swap"); }
  void Sleep(unsigned milliseconds) override { events.push_back("sleep " + std::to_string(milliseconds)); }
};

// Installs a FakePlatform for the life of the object.
class ScopedFakePlatform {
 public:
  ScopedFakePlatform() { UsePlatform(&platform); }
  ~ScopedFakePlatform() { UsePlatform(nullptr); }
  FakePlatform platform;
};
