// The saver's 30 ms tick on the browser's animation frames. The browser calls
// back once per display refresh (and not at all while the page is hidden); a
// frame is drawn on the first callback at least a tick after the last frame,
// so frames never come closer than 30 ms, whatever the display's rate, and a
// page shown again draws at once instead of catching up.
#pragma once

class FrameGate {
 public:
  // Callback times jitter by a fraction of a millisecond around the display's
  // refresh; this much early still counts as on time.
  static constexpr double ToleranceMs = 0.25;

  explicit FrameGate(double periodMs) : periodMs_(periodMs) {}

  // Whether the callback at `nowMs` draws a frame; if so, it is counted as drawn then.
  bool Open(double nowMs);

  // The next frame comes no sooner than `ms` after the last one (the
  // preview's pause at the end of its frame).
  void Hold(double ms);

  // Forget the last frame: the next callback draws.
  void Reset() { drawn_ = false; }

 private:
  double periodMs_;
  double wait_ = 0;
  double lastMs_ = 0;
  bool drawn_ = false;
};
