// The X11 saver's font for the --fps figures: an X core font made into bitmap
// display lists (glXUseXFont).
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "host/linux/fps_overlay.h"

class XCoreFont final : public OverlayFont {
 public:
  XCoreFont() = default;
  XCoreFont(const XCoreFont&) = delete;
  XCoreFont& operator=(const XCoreFont&) = delete;

  // Loads the font and makes its lists in the current context; false, and
  // why in `error`, when the server has none of the fonts tried.
  bool Create(Display* display, std::string& error);

  // Deletes the lists while the context is current, and frees the font.
  void Release();

  int Ascent() const override { return font_->ascent; }
  int Descent() const override { return font_->descent; }
  int Width(std::string_view text) const override;
  void Draw(int x, int y, std::string_view text) const override;

 private:
  Display* display_ = nullptr;
  XFontStruct* font_ = nullptr;
  unsigned listBase_ = 0;
};
