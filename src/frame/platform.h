// The seam between the scene and the host that gives it a window: the local
// wall clock, the window's outline font, presenting the back buffer, and the
// preview's pause. Each host (Windows, X11, headless) installs one; the scene
// never calls the platform any other way.
#pragma once

#include <cstdint>

struct LocalMoment {
  std::uint16_t Year = 0, Month = 0, Day = 0;
  std::uint16_t Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// The six single-precision values of a glyph-metrics record, in the order the
// platform's outline conversion fills them.
struct GlyphMetricsFloat {
  float BlackBoxX = 0, BlackBoxY = 0;
  float OriginX = 0, OriginY = 0;
  float CellIncX = 0, CellIncY = 0;
};
static_assert(sizeof(GlyphMetricsFloat) == 6 * sizeof(float));

class Platform {
 public:
  virtual ~Platform() = default;

  // The local date and time of day, read at once so they never straddle midnight.
  virtual LocalMoment LocalNow() = 0;

  // Converts the bold face `face` to extruded glyph display lists listBase + k
  // for codes k = first .. first + count - 1: filled polygons with normals,
  // extrusion toward -z, em-square units, each list ending with a translation
  // by the glyph's advance; fills metrics[k - first]. Returns non-zero on success.
  virtual int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase,
                              float extrusion, GlyphMetricsFloat* metrics) = 0;

  // Presents the back buffer of the current context.
  virtual void SwapBuffers() = 0;

  // Pauses the calling thread.
  virtual void Sleep(unsigned milliseconds) = 0;
};

void UsePlatform(Platform* platform);
Platform& CurrentPlatform();
