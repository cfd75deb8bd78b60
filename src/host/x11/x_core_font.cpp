#include "host/x11/x_core_font.h"

#include <GL/glx.h>

#include <algorithm>

#include "base/opengl.h"

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

}  // namespace

bool XCoreFont::Create(Display* display, std::string& error) {
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
  return true;
}

int XCoreFont::Width(std::string_view text) const {
  return XTextWidth(font_, text.data(), static_cast<int>(text.size()));
}

void XCoreFont::Draw(int x, int y, std::string_view text) const {
  glListBase(listBase_);
  // Word by word, each at its place: Mesa's list drawing moves by nothing for
  // a blank glyph.
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    glRasterPos2i(x + Width(text.substr(0, start)), y);
    glCallLists(static_cast<GLsizei>(end - start), GL_UNSIGNED_BYTE, text.data() + start);
    start = end + 1;
  }
}

void XCoreFont::Release() {
  if (font_ == nullptr) return;
  glDeleteLists(listBase_, FontCodes);
  XFreeFont(display_, font_);
  font_ = nullptr;
}
