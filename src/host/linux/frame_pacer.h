// The frame timer on a monotonic clock (every 30 ms unless --delay says
// otherwise). Like a window system's timer, it
// never bunches up: a frame that takes longer than a period delays the next,
// which then comes as soon as the late one is done, and the beat goes on from
// there instead of running the missed frames back to back.
#pragma once

#include <chrono>
#include <ctime>

class FramePacer {
 public:
  using Clock = std::chrono::steady_clock;
  using Duration = std::chrono::nanoseconds;

  // The first frame is due one period after `start`.
  FramePacer(Clock::time_point start, Duration period) : period_(period), due_(start + period) {}

  Clock::time_point Due() const { return due_; }

  // How long to wait at `now` before the next frame is due (zero if it is).
  Duration Remaining(Clock::time_point now) const;

  // The next frame is due at `now`: after a pause in which nothing was drawn,
  // the frames take up again at once instead of catching up.
  void DueAt(Clock::time_point now) { due_ = now; }

  // A frame was drawn, finishing at `now`: the next is due one period after
  // this one was, or at once if that moment has already passed.
  void FrameDone(Clock::time_point now);

 private:
  Duration period_;
  Clock::time_point due_;
};

// A wait as ppoll takes it.
timespec AsTimespec(FramePacer::Duration duration);
