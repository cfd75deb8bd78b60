#include "frame/frame.h"

#include "base/opengl.h"
#include "base/scene_params.h"
#include "clock/clock_pass.h"
#include "curtain/curtain.h"
#include "frame/countdown.h"
#include "frame/frame_state.h"
#include "frame/platform.h"
#include "snow/flakes.h"
#include "snow/ground.h"

void DrawClockAndSnow() {
  DrawClockFace();
  // Then the snow, both over the clock: the ground, and the flakes over it.
  DrawGround();
  // The ground's many triangles go to the rasteriser while the flakes are
  // worked out (see the flush after the countdown).
  glFlush();
  UpdateAndDrawFlakes();
}

void DrawFrame(SceneKind kind) {
  Platform& platform = CurrentPlatform();

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  // Time of day and date come from one reading, so they agree at midnight.
  const LocalMoment now = platform.LocalNow();
  ClockTime = {now.Hour, now.Minute, now.Second, now.Millisecond};
  HandAngles = ComputeHandAngles(ClockTime);

  SceneParams.Year = now.Year;
  SceneParams.Month = now.Month;
  SceneParams.Day = now.Day;
  // The year's length follows the date, so that a saver running across New
  // Year into a year of the other length counts the days right.
  SceneParams.DaysInYear = DaysInYearOf(now.Year);

  // The curtain and all text add their light to the background.
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);

  DrawCurtain();
  DrawCountdown(kind);
  // Hands the curtain and the text to the rasteriser now, so that a driver
  // that rasterises on other threads fills them while this thread transforms
  // the clock and the ground, instead of everything waiting for the swap.
  glFlush();

  AdvanceSway();

  glLoadIdentity();
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  DrawClockAndSnow();

  AdvanceHeadlineFade();

  platform.SwapBuffers();
  if (kind == SceneKind::Preview) platform.Sleep(PreviewFramePauseMs);
}

void Timer1Timer() { DrawFrame(SceneKind::FullScreen); }

void DrawPreviewFrame() { DrawFrame(SceneKind::Preview); }
