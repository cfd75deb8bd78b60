#include "host/web/frame_gate.h"

#include <algorithm>

bool FrameGate::Open(double nowMs) {
  const double wait = std::max(periodMs_, wait_);
  // A clock that went back (a new time origin) counts as a long wait.
  if (drawn_ && nowMs >= lastMs_ && nowMs - lastMs_ < wait - ToleranceMs) return false;
  drawn_ = true;
  lastMs_ = nowMs;
  wait_ = 0;
  return true;
}

void FrameGate::Hold(double ms) { wait_ = std::max(wait_, ms); }
