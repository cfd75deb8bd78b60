// The outline fonts of the web page, converted at build time on the build
// machine by the Linux font layer (fontconfig, FreeType, the GLU tessellator)
// and compiled into the page as data: the browser has neither the fonts nor
// the tessellator. Each baked font holds the metrics records of all converted
// codes and the solid meshes of the codes the countdown can print; every
// other code's list is its advance alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame/platform.h"
#include "host/glyph_geometry/glyph_geometry.h"

// A mesh stored by index: its distinct points and normals once each (x, y, z
// triples), and per triangle four indices: its normal, then its three points
// in drawing order. A third of the size of the triangles written out, with
// the very same values.
struct BakedGlyph {
  unsigned Code = 0;
  const float* Points = nullptr;
  std::size_t PointCount = 0;
  const float* Normals = nullptr;
  std::size_t NormalCount = 0;
  const std::uint16_t* Triangles = nullptr;
  std::size_t TriangleCount = 0;
};

struct BakedFont {
  const char* Face;
  float Extrusion;
  // Records for the codes 0 .. BakedCodeCount - 1.
  const GlyphMetricsFloat* Metrics;
  // Ascending by code.
  const BakedGlyph* Glyphs;
  std::size_t GlyphCount;
};

// The codes converted: 0..254, as the saver's fonts are built.
inline constexpr unsigned BakedCodeCount = 255;

// Written by quillmoor-bake-glyphs into the web build's folder.
extern const BakedFont BakedFonts[];
extern const std::size_t BakedFontCount;

// The baked font of `face` with `extrusion` among `count` fonts, or null.
const BakedFont* FindBakedFont(const BakedFont* fonts, std::size_t count, const char* face, float extrusion);

// The mesh of `code` in `font`, or null when it has none.
const BakedGlyph* FindBakedGlyph(const BakedFont& font, unsigned code);

// The glyph's triangles, in their order, as the conversion made them. False
// (and `triangles` untouched) when an index points past its table.
bool ExpandBakedGlyph(const BakedGlyph& glyph, std::vector<MeshTriangle>& triangles);

// The other way, for the tool: a mesh's distinct points and normals and its
// index quadruples.
struct PackedGlyph {
  std::vector<float> Points, Normals;
  std::vector<std::uint16_t> Triangles;
};
// False when the mesh has more distinct points or normals than 16-bit indices reach.
bool PackGlyph(const std::vector<MeshTriangle>& triangles, PackedGlyph& packed);
