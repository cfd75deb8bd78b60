// The Windows side of the scene's seam: the local clock from the system, the
// outline font from the window's device context through WGL, presenting on
// the current device context, and the thread's pause.
#pragma once

#include "frame/platform.h"

class Win32Platform final : public Platform {
 public:
  LocalMoment LocalNow() override;
  // Works on the device context of the current rendering context, which is the
  // window's own while its rendering set-up runs.
  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat* metrics) override;
  void SwapBuffers() override;
  void Sleep(unsigned milliseconds) override;
};
