#include "host/linux/frame_pacer.h"

FramePacer::Duration FramePacer::Remaining(Clock::time_point now) const {
  return now >= due_ ? Duration::zero() : std::chrono::duration_cast<Duration>(due_ - now);
}

void FramePacer::FrameDone(Clock::time_point now) {
  due_ += period_;
  if (due_ < now) due_ = now;
}

timespec AsTimespec(FramePacer::Duration duration) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
  return {static_cast<time_t>(seconds.count()), static_cast<long>((duration - seconds).count())};
}
