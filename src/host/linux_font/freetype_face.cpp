#include "host/linux_font/freetype_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H

#include "host/linux_font/outline_flattening.h"

struct FreeTypeFace::Handles {
  FT_Library library = nullptr;
  FT_Face face = nullptr;

  ~Handles() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

namespace {

// A chordal deviation of one design unit of the font.
constexpr double FlatteningTolerance = 1.0;

// Synthetic bold thickens by a 24th of the em, as FreeType's own emboldening does.
constexpr long EmboldenDivisor = 24;

}  // namespace

FreeTypeFace::FreeTypeFace(std::unique_ptr<Handles> handles, bool embolden)
    : handles_(std::move(handles)), embolden_(embolden) {}

FreeTypeFace::~FreeTypeFace() = default;

std::unique_ptr<FreeTypeFace> FreeTypeFace::Open(const ResolvedFont& font) {
  auto handles = std::make_unique<Handles>();
  if (FT_Init_FreeType(&handles->library) != 0) {
    handles->library = nullptr;
    return nullptr;
  }
  if (FT_New_Face(handles->library, font.File.c_str(), font.Index, &handles->face) != 0) {
    handles->face = nullptr;
    return nullptr;
  }
  const FT_Face face = handles->face;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) return nullptr;
  // FreeType picks a Unicode map when the font has one; a symbol font has only
  // its own.
  if (face->charmap == nullptr && face->num_charmaps > 0) FT_Set_Charmap(face, face->charmaps[0]);
  return std::unique_ptr<FreeTypeFace>(new FreeTypeFace(std::move(handles), font.Embolden));
}

double FreeTypeFace::UnitsPerEm() const { return handles_->face->units_per_EM; }

unsigned FreeTypeFace::GlyphIndexFor(char32_t character) const {
  const FT_Face face = handles_->face;
  FT_UInt index = FT_Get_Char_Index(face, character);
  // Symbol fonts file their characters in the private area U+F000..U+F0FF.
  if (index == 0 && face->charmap && face->charmap->encoding == FT_ENCODING_MS_SYMBOL && character < 0x100)
    index = FT_Get_Char_Index(face, 0xF000 + character);
  return index;
}

bool FreeTypeFace::Load(unsigned glyphIndex, GlyphOutline& glyph) const {
  const FT_Face face = handles_->face;
  if (FT_Load_Glyph(face, glyphIndex, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0) return false;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;

  FT_Outline& outline = slot->outline;
  FT_Pos advance = slot->metrics.horiAdvance;
  if (embolden_ && outline.n_points > 0) {
    const FT_Pos strength = face->units_per_EM / EmboldenDivisor;
    if (FT_Outline_EmboldenXY(&outline, strength, strength) != 0) return false;
    advance += strength;
  }

  const double em = face->units_per_EM;
  const double scale = 1.0 / em;
  if (!FlattenOutline(outline, FlatteningTolerance, scale, glyph.Contours)) return false;
  glyph.Rule = (outline.flags & FT_OUTLINE_EVEN_ODD_FILL) ? FillRule::EvenOdd : FillRule::NonZero;
  glyph.Ink = FT_Outline_Get_Orientation(&outline) == FT_ORIENTATION_POSTSCRIPT ? InkSide::LeftOfTravel
                                                                                  : InkSide::RightOfTravel;

  GlyphMetricsFloat& m = glyph.Metrics;
  m = {};
  if (outline.n_points > 0) {
    FT_BBox box{};
    if (FT_Outline_Get_BBox(&outline, &box) != 0) return false;
    m.BlackBoxX = static_cast<float>((box.xMax - box.xMin) * scale);
    m.BlackBoxY = static_cast<float>((box.yMax - box.yMin) * scale);
    m.OriginX = static_cast<float>(box.xMin * scale);
    m.OriginY = static_cast<float>(box.yMax * scale);
  }
  m.CellIncX = static_cast<float>(advance * scale);
  m.CellIncY = 0;
  return true;
}
