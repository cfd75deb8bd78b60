// The --fps display: the frame rate and the process's CPU load, measured over
// about a second, in the lower left corner over each finished frame. The text
// is an X core font made into bitmap display lists (glXUseXFont), on a dark
// translucent box so that it reads on the snow as on the sky. Every piece of
// GL state it touches is saved before and restored after, so the scene's next
// frame finds the state its own frame left.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <string>

class FpsOverlay {
 public:
  FpsOverlay() = default;
  FpsOverlay(const FpsOverlay&) = delete;
  FpsOverlay& operator=(const FpsOverlay&) = delete;

  // Loads the font and makes its lists in the current context; false, and
  // why in `error`, when the server has none of the fonts tried.
  bool Create(Display* display, std::string& error);

  // Counts one frame and draws the figures over it: after the scene's frame,
  // before the swap.
  void Draw();

  // Deletes the lists while the context is current, and frees the font.
  void Release();

 private:
  // Counts a frame; about once a second, renews the figures.
  void Measure();
  // The box's width from the text's widest line, whenever the text changes.
  void MeasureText();

  Display* display_ = nullptr;
  XFontStruct* font_ = nullptr;
  unsigned listBase_ = 0;

  using Clock = std::chrono::steady_clock;
  Clock::time_point periodStart_{};
  double cpuAtStart_ = 0;  // seconds of CPU time the process had used
  int frames_ = 0;
  std::string lines_[2] = {"FPS: --", "Load: --"};
  int textWidth_ = 0;  // pixels
};
