#include "frame/frame_state.h"

#include "base/random.h"
#include "base/scene_params.h"

ClockTimeRecord ClockTime;
TextDriftRecord TextDrift;
HeadlineFadeRecord HeadlineFade;

HandAngleSet ComputeHandAngles(const ClockTimeRecord& time) {
  const Extended hour12 = time.Hour % 12;
  HandAngleSet angles;
  angles.Second = 90 - 6 * Extended(time.Second);
  angles.Minute = 90 - 6 * Extended(time.Minute);
  angles.Hour = 90 - 30 * hour12 - (6 * Extended(time.Minute)) / 12;
  return angles;
}

void AdvanceSway() {
  float* steps = SceneParams.SwaySteps;
  float* angles = TextDrift.Angles;
  for (int axis = 0; axis < 3; ++axis) {
    if (angles[axis] >= SwayBound) {
      steps[axis] = static_cast<float>(-0.2_x - Extended(Random(100)) / 500);
    } else if (angles[axis] <= -SwayBound) {
      steps[axis] = static_cast<float>(0.2_x + Extended(Random(100)) / 500);
    }
  }
  for (int axis = 0; axis < 3; ++axis)
    angles[axis] = static_cast<float>(Extended(angles[axis]) + steps[axis]);
}

void AdvanceHeadlineFade() {
  float& alpha = SceneParams.TextAlpha;
  HeadlineFade.PartnerAlpha = static_cast<float>(0.2_x - alpha);
  alpha = static_cast<float>(Extended(alpha) + HeadlineFade.Step);
  if (alpha >= 0.2_x) HeadlineFade.Step = -0.001f;
  if (alpha <= 0.01_x) HeadlineFade.Step = 0.001f;
}

void ResetFrameState() {
  ClockTime = {};
  HandAngles = {};
  TextDrift = {};
  HeadlineFade = {};
}
