// The Wayland saver's font for the --fps figures, where there is no X server
// to lend one: the Linux font layer's outline glyphs, flat (no extrusion),
// scaled to 18 pixels to the em.
#pragma once

#include <string>

#include "frame/platform.h"
#include "host/linux/fps_overlay.h"

class OutlineOverlayFont final : public OverlayFont {
 public:
  OutlineOverlayFont() = default;
  OutlineOverlayFont(const OutlineOverlayFont&) = delete;
  OutlineOverlayFont& operator=(const OutlineOverlayFont&) = delete;

  // Makes the glyphs' lists in the current context; false, and why in
  // `error`, when no font can be found.
  bool Create(std::string& error);
  // Deletes the lists while the context is current.
  void Release();

  int Ascent() const override;
  int Descent() const override;
  int Width(std::string_view text) const override;
  void Draw(int x, int y, std::string_view text) const override;

 private:
  static constexpr unsigned First = 32, Count = 95;  // the printable ASCII codes
  unsigned listBase_ = 0;
  GlyphMetricsFloat metrics_[Count];
};
