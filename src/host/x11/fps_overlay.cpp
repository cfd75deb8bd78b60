#include "host/x11/fps_overlay.h"

#include <GL/glx.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "host/opengl.h"

namespace {

// Tried in order: a bold 18-point face first, the server's always-present
// "fixed" last.
constexpr const char* FontNames[] = {
    "-*-courier-bold-r-normal-*-*-180-*-*-*-*-iso8859-1",
    "-*-helvetica-bold-r-normal-*-*-180-*-*-*-*-iso8859-1",
    "9x15bold",
    "fixed",
};
constexpr unsigned FontCodes = 128;  // lists for the codes 0..127
constexpr int Margin = 10;           // from the window's corner to the box
constexpr int Padding = 5;           // from the box's edge to the text

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

bool FpsOverlay::Create(Display* display, std::string& error) {
  for (const char* name : FontNames) {
    font_ = XLoadQueryFont(display, name);
    if (font_ != nullptr) break;
  }
  if (font_ == nullptr) {
    error = "no X font for the frame rate (not even \"fixed\")";
    return false;
  }
  display_ = display;
  listBase_ = glGenLists(FontCodes);
  glXUseXFont(font_->fid, 0, FontCodes, static_cast<int>(listBase_));
  periodStart_ = Clock::now();
  cpuAtStart_ = ProcessCpuSeconds();
  MeasureText();
  return true;
}

void FpsOverlay::MeasureText() {
  textWidth_ = 0;
  for (const std::string& line : lines_)
    textWidth_ = std::max(textWidth_, XTextWidth(font_, line.data(), static_cast<int>(line.size())));
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
  const int lineHeight = font_->ascent + font_->descent;
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
  glListBase(listBase_);
  for (int i = 0; i < lines; ++i) {
    // The first line on top; each at its baseline. Word by word, each at its
    // place: Mesa's list drawing moves by nothing for a blank glyph.
    const std::string& line = lines_[i];
    const int baseline = Margin + Padding + font_->descent + (lines - 1 - i) * lineHeight;
    for (std::size_t start = 0; start < line.size();) {
      const std::size_t end = std::min(line.find(' ', start), line.size());
      glRasterPos2i(Margin + Padding + XTextWidth(font_, line.data(), static_cast<int>(start)), baseline);
      glCallLists(static_cast<GLsizei>(end - start), GL_UNSIGNED_BYTE, line.data() + start);
      start = end + 1;
    }
  }

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

void FpsOverlay::Release() {
  if (font_ == nullptr) return;
  glDeleteLists(listBase_, FontCodes);
  XFreeFont(display_, font_);
  font_ = nullptr;
}
