// The --fps display of the Linux savers: the frame rate and the process's CPU
// load, measured over about a second, in the lower left corner over each
// finished frame, on a dark translucent box so that it reads on the snow as
// on the sky. Every piece of GL state it touches is saved before and restored
// after, so the scene's next frame finds the state its own frame left. The
// text comes from a font of the host's: an X core font on X11, outline glyphs
// where there is no X server.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

// What the overlay needs of a font, in window pixels, with its display lists
// made in the current context.
class OverlayFont {
 public:
  virtual ~OverlayFont() = default;
  virtual int Ascent() const = 0;
  virtual int Descent() const = 0;
  virtual int Width(std::string_view text) const = 0;
  // Draws `text` in the current colour with its baseline starting at (x, y),
  // under a projection of one unit per pixel, origin in the lower left.
  virtual void Draw(int x, int y, std::string_view text) const = 0;
};

class FpsOverlay {
 public:
  FpsOverlay() = default;
  FpsOverlay(const FpsOverlay&) = delete;
  FpsOverlay& operator=(const FpsOverlay&) = delete;

  // Starts measuring, and from now on draws with `font` (null: draws nothing).
  void Show(const OverlayFont* font);

  // Counts one frame and draws the figures over it: after the scene's frame,
  // before the swap.
  void Draw();

 private:
  // Counts a frame; about once a second, renews the figures.
  void Measure();
  // The box's width from the text's widest line, whenever the text changes.
  void MeasureText();

  const OverlayFont* font_ = nullptr;

  using Clock = std::chrono::steady_clock;
  Clock::time_point periodStart_{};
  double cpuAtStart_ = 0;  // seconds of CPU time the process had used
  int frames_ = 0;
  std::string lines_[2] = {"FPS: --", "Load: --"};
  int textWidth_ = 0;  // pixels
};
