// A platform for unit tests: a moment the test sets, an outline conversion
// that only remembers what it was asked for, and presents and pauses logged in
// the order they happen.
#pragma once

#include <string>
#include <vector>

#include "frame/platform.h"

struct OutlineRequest {
  std::string Face;
  unsigned First = 0, Count = 0, ListBase = 0;
  float Extrusion = 0;
};

class TestPlatform : public Platform {
 public:
  LocalMoment Now{2026, 12, 20, 14, 25, 10, 0};
  std::vector<OutlineRequest> Requests;
  std::vector<std::string> Events;  // "swap", "sleep 40"

  LocalMoment LocalNow() override { return Now; }
  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat*) override {
    Requests.push_back({face, first, count, listBase, extrusion});
    return 0;
  }
  void SwapBuffers() override { Events.push_back("swap"); }
  void Sleep(unsigned milliseconds) override { Events.push_back("sleep " + std::to_string(milliseconds)); }
};

// Installs a platform for the life of a test.
class PlatformScope {
 public:
  explicit PlatformScope(Platform& platform) { UsePlatform(&platform); }
  ~PlatformScope() { UsePlatform(nullptr); }
};

// A TestPlatform installed for the life of the object.
class ScopedTestPlatform {
 public:
  TestPlatform platform;

 private:
  PlatformScope scope_{platform};
};
