// The frame's own state, kept from one frame to the next: the time read this
// frame, the hand angles derived from it, the countdown text's sway and the
// cross-fade of its heading pair.
#pragma once

#include <cstdint>

#include "base/extended.h"
#include "clock/clock_pass.h"

struct ClockTimeRecord {
  std::uint16_t Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// Sway angles in degrees about x, y and z; their steps are SceneParams.SwaySteps.
struct TextDriftRecord {
  float Angles[3] = {0, 0, 0};
};

// The headline alpha itself is SceneParams.TextAlpha.
struct HeadlineFadeRecord {
  float Step = 0;
  float PartnerAlpha = 0;
};

extern ClockTimeRecord ClockTime;
extern TextDriftRecord TextDrift;
extern HeadlineFadeRecord HeadlineFade;

inline constexpr float SwayBound = 45;

HandAngleSet ComputeHandAngles(const ClockTimeRecord& time);

// One frame's sway step for x, y and z: an angle at or past a bound turns back
// with a fresh random speed, then every angle moves by its step.
void AdvanceSway();

// One frame's step of the heading pair's cross-fade.
void AdvanceHeadlineFade();

// Back to the values a window starts from (TextAlpha and the sway steps belong
// to the scene parameters and are set by the window's creation).
void ResetFrameState();
