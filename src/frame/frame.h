// The frame: one picture of the current moment. The full-screen window runs
// Timer1Timer on every tick of its 30 ms timer; the preview window runs
// DrawPreviewFrame on every paint request. Both need the window's rendering
// context current on the calling thread.
#pragma once

enum class SceneKind { FullScreen, Preview };

void Timer1Timer();
void DrawPreviewFrame();

// The frame of either kind; the two entries above call it.
void DrawFrame(SceneKind kind);

// The frame's last pass: the clock, then the ground and the flakes over it.
void DrawClockAndSnow();

// The preview's pace: the pause at the end of every preview frame.
inline constexpr unsigned PreviewFramePauseMs = 40;
