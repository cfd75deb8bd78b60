// One headless rendering: a context of the picture's size, the scene created
// as a window would create it, the given number of frames, the picture read back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/headless/egl_context.h"
#include "host/headless/headless_platform.h"
#include "host/headless/options.h"

class RenderSession {
 public:
  // Creates the context, installs the platform, creates the scene and sets up
  // the rendering state. On failure returns nothing and says why; when the
  // OpenGL cannot draw a picture of the size asked for, also sets *tooLarge.
  static std::unique_ptr<RenderSession> Start(const RenderOptions& options, std::string& error,
                                              bool* tooLarge = nullptr);
  ~RenderSession();

  // The frozen moment the next frames read (the options' --at until then).
  void Freeze(const LocalMoment& moment) { platform_.Freeze(moment); }
  void RunFrame();
  std::vector<std::uint8_t> Pixels() const;  // RGB, top row first
  int Width() const { return context_.Width(); }
  int Height() const { return context_.Height(); }

 private:
  explicit RenderSession(const RenderOptions& options);

  RenderOptions options_;
  HeadlessContext context_;
  HeadlessPlatform platform_;
};
