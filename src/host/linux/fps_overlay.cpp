#include "host/linux/fps_overlay.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "base/opengl.h"

namespace {

constexpr int Margin = 10;   // from the window's corner to the box
constexpr int Padding = 5;   // from the box's edge to the text

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

void FpsOverlay::Show(const OverlayFont* font) {
  font_ = font;
  periodStart_ = Clock::now();
  cpuAtStart_ = ProcessCpuSeconds();
  frames_ = 0;
  if (font_ != nullptr) MeasureText();
}

void FpsOverlay::MeasureText() {
  textWidth_ = 0;
  for (const std::string& line : lines_) textWidth_ = std::max(textWidth_, font_->Width(line));
}

void FpsOverlay::Measure() {
  ++frames_;
  const Clock::time_point now = Clock::now();
  const double seconds = std::chrono::duration<double>(now - periodStart_).count();
  if (seconds < 1.0) return;
  const double cpu = ProcessCpuSeconds();
  char text[64];
  std::snprintf(text, sizeof text, "FPS: %.1f", frames_ / seconds);
  lines_[0] = text;
  // Of one processor: a renderer drawing on several threads can pass 100%.
  std::snprintf(text, sizeof text, "Load: %.0f%%", (cpu - cpuAtStart_) / seconds * 100.0);
  lines_[1] = text;
  frames_ = 0;
  periodStart_ = now;
  cpuAtStart_ = cpu;
  MeasureText();
}

void FpsOverlay::Draw() {
  if (font_ == nullptr) return;
  Measure();

  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  const int lineHeight = font_->Ascent() + font_->Descent();
  const int lines = static_cast<int>(std::size(lines_));

  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, viewport[2], 0, viewport[3], -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_FOG);
  glDisable(GL_COLOR_MATERIAL);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  glColor4f(0.0f, 0.0f, 0.0f, 0.6f);
  glRecti(Margin, Margin, Margin + textWidth_ + 2 * Padding, Margin + lines * lineHeight + 2 * Padding);

  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  // The first line on top; each at its baseline.
  for (int i = 0; i < lines; ++i)
    font_->Draw(Margin + Padding, Margin + Padding + font_->Descent() + (lines - 1 - i) * lineHeight, lines_[i]);

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}
