// Extruded outline glyphs on Linux, with the contract of the Windows outline
// conversion: fontconfig resolves the face (bold), FreeType gives the outlines
// and advances, the GLU tessellator fills the faces.
#pragma once

#include "frame/platform.h"
#include <vector>

#include "host/glyph_geometry/glyph_geometry.h"
#include "host/linux_font/font_resolution.h"

// Builds display lists listBase + k for the 8-bit ANSI codes first + k,
// k = 0 .. count - 1, and fills metrics[k] (when metrics is not null). Each
// list draws the glyph as lit triangles in em units (front face at z = 0,
// back face at z = -extrusion, side walls between) and ends with a
// translation by the glyph's advance. A character the font lacks gets the
// font's missing glyph. Needs a current OpenGL context. Returns non-zero on
// success; on failure no list is made and no metrics are written.
int UseFontOutlinesLinux(const char* face, unsigned first, unsigned count, unsigned listBase,
                         float extrusion, GlyphMetricsFloat* metrics);

// The same for a font file already chosen.
int UseFontOutlinesOf(const ResolvedFont& font, unsigned first, unsigned count, unsigned listBase,
                      float extrusion, GlyphMetricsFloat* metrics);

// One character code's conversion: its metrics record and its solid mesh.
struct ConvertedGlyph {
  GlyphMetricsFloat Metrics;
  GlyphMesh Mesh;
};

// The conversion alone, with no OpenGL: glyphs[k] for the code first + k,
// k = 0 .. count - 1. False (and `glyphs` untouched) when the font cannot be
// opened or a glyph cannot be converted.
bool ConvertOutlineGlyphs(const ResolvedFont& font, unsigned first, unsigned count, float extrusion,
                          std::vector<ConvertedGlyph>& glyphs);
