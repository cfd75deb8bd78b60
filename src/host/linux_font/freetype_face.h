// One font file opened with FreeType for outline conversion: glyphs are
// loaded unscaled and unhinted in font units, flattened within one design
// unit, and given in em units (the em square is 1), with their metrics.
#pragma once

#include <memory>
#include <vector>

#include "frame/platform.h"
#include "host/glyph_geometry/glyph_geometry.h"
#include "host/linux_font/font_resolution.h"

// A glyph ready to be filled and extruded.
struct GlyphOutline {
  std::vector<Contour> Contours;  // em units, y up
  FillRule Rule = FillRule::NonZero;
  InkSide Ink = InkSide::RightOfTravel;
  // Black box, its top-left corner relative to the origin (y up), and the
  // advance, in em units. A glyph without contours has an empty box at the origin.
  GlyphMetricsFloat Metrics;
};

class FreeTypeFace {
 public:
  // Nothing when FreeType cannot open the file or it holds no outlines.
  static std::unique_ptr<FreeTypeFace> Open(const ResolvedFont& font);
  ~FreeTypeFace();
  FreeTypeFace(const FreeTypeFace&) = delete;
  FreeTypeFace& operator=(const FreeTypeFace&) = delete;

  // The glyph of a Unicode character; 0, the font's missing glyph, when the
  // font lacks it.
  unsigned GlyphIndexFor(char32_t character) const;

  // False when FreeType cannot load or walk the glyph.
  bool Load(unsigned glyphIndex, GlyphOutline& glyph) const;

  double UnitsPerEm() const;

 private:
  struct Handles;
  explicit FreeTypeFace(std::unique_ptr<Handles> handles, bool embolden);

  std::unique_ptr<Handles> handles_;
  bool embolden_;
};
