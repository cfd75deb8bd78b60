#include "host/x11/frame_pacer.h"

FramePacer::Duration FramePacer::Remaining(Clock::time_point now) const {
  return now >= due_ ? Duration::zero() : std::chrono::duration_cast<Duration>(due_ - now);
}

void FramePacer::FrameDone(Clock::time_point now) {
  due_ += period_;
  if (due_ < now) due_ = now;
}
