#include "host/wayland/outline_overlay_font.h"

#include <cmath>

#include "base/opengl.h"
#include "host/linux_font/outline_glyphs.h"

namespace {

constexpr float PixelsPerEm = 18.0f;
// A monospaced bold face, as the X11 saver's first choice of core font.
constexpr const char* Face = "Courier New";

}  // namespace

bool OutlineOverlayFont::Create(std::string& error) {
  listBase_ = glGenLists(Count);
  if (listBase_ == 0 || !UseFontOutlinesLinux(Face, First, Count, listBase_, 0.0f, metrics_)) {
    if (listBase_ != 0) glDeleteLists(listBase_, Count);
    listBase_ = 0;
    error = "no outline font for the frame rate";
    return false;
  }
  return true;
}

void OutlineOverlayFont::Release() {
  if (listBase_ != 0) glDeleteLists(listBase_, Count);
  listBase_ = 0;
}

int OutlineOverlayFont::Ascent() const { return static_cast<int>(std::lround(PixelsPerEm * 0.85f)); }

int OutlineOverlayFont::Descent() const { return static_cast<int>(std::lround(PixelsPerEm * 0.3f)); }

int OutlineOverlayFont::Width(std::string_view text) const {
  float width = 0;
  for (const char c : text) {
    const unsigned code = static_cast<unsigned char>(c);
    if (code >= First && code < First + Count) width += metrics_[code - First].CellIncX;
  }
  return static_cast<int>(std::lround(width * PixelsPerEm));
}

void OutlineOverlayFont::Draw(int x, int y, std::string_view text) const {
  // Each list moves on by its glyph's advance, spaces included.
  glPushMatrix();
  glTranslatef(static_cast<float>(x), static_cast<float>(y), 0.0f);
  glScalef(PixelsPerEm, PixelsPerEm, 1.0f);
  glListBase(listBase_ - First);
  glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
  glPopMatrix();
}
